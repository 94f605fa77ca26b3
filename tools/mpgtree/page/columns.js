// The columns of the folded rows of the page of mpgtree html: each as wide as its longest text,
// so that no number or line reference is cut.

/**
 * Answers fitColumns(texts): widens the columns ({column: text}) whose text is longer than any
 * before, measuring the rows' monospace font once inside rowsElement.
 */
// eslint-disable-next-line no-unused-vars
function makeColumnFitter(rowsElement) {
  'use strict';

  const columnChars = { ordinal: 0, master: 0, state: 0, rmt: 0, line: 0 };
  let charWidth = 0; // of the rows' monospace font, measured once
  /** Widens the columns whose text is longer than any before (texts: {column: text}). */
  function fitColumns(texts) {
    let wider = false;
    for (const column in texts) {
      if (texts[column].length <= columnChars[column]) continue;
      columnChars[column] = texts[column].length;
      wider = true;
    }
    if (!wider) return;
    if (!charWidth) {
      const probe = document.createElement('span');
      probe.className = 'line row';
      probe.textContent = '0'.repeat(100);
      probe.style.visibility = 'hidden';
      rowsElement.appendChild(probe);
      charWidth = probe.scrollWidth / 100 || 8;
      probe.remove();
    }
    const extra = { ordinal: 4 }; // the fold mark before the ordinal
    for (const column in columnChars)
      document.documentElement.style.setProperty(
        '--c-' + column, Math.ceil((columnChars[column] + (extra[column] || 1)) * charWidth) + 'px');
  }

  return fitColumns;
}
