// The script of the page of mpgtree html: draws only the lines in view of the rows that data.js
// decodes, folds and unfolds rows, searches, marks the differences of two dumps and shows the
// one that steps.js stands on. heading.js fills the top of the page, columns.js sizes columns,
// search.js searches.
// Values from the dump are set as text (textContent, title), never as markup. The functions
// share one view (makeView): the page's data, its elements and what is shown.

const LINE = 20; // the height of every line, as --line in the style
const OVERSCAN = 10; // lines drawn beyond the view on each side

/** The view of the page: its data (data.js), its elements, the rows shown and the search. */
function makeView() {
  'use strict';
  const page = readPageData(JSON.parse(document.getElementById('page-data').textContent));
  document.getElementById('page-data').remove(); // its text is parsed: the page need not keep it
  const $ = (id) => document.getElementById(id);
  return {
    page, $,
    viewport: $('viewport'), spacer: $('spacer'), rowsElement: $('rows'), searchBox: $('search'),
    itemCache: new Map(), // the items of the open rows, by row index
    order: [], // the rows shown, by index
    starts: new Float64Array(1), // the first line of each row shown, and the total
    open: new Set(),
    managerFields: [], // the manager's field elements, by the place of their item
    stepper: null, // the differences of a comparison, stepped through (steps.js)
    fitColumns: makeColumnFitter($('rows')), // columns.js
    drawing: false,
    matches: [], // [row index, valueAt], in the order of the rows shown
    matchesByRow: new Map(), // row index -> set of valueAt
    current: -1,
    currentKey: '',
    searched: '',
  };
}

// ---- Rows, folding and layout ----

/** The items of row index, marked when it differs; kept while the row is open. */
function itemsOf(v, index) {
  'use strict';
  let items = v.itemCache.get(index);
  if (!items) {
    items = v.page.rowItems(index);
    v.itemCache.set(index, items);
  }
  return items;
}

function chooseRows(v) {
  'use strict';
  const onlyDifferences = v.page.isDiff && v.$('only-differences').checked;
  v.order = [];
  for (let i = 0; i < v.page.rowCount; i++)
    if (!onlyDifferences || (v.page.statuses[i] !== 's' && v.page.statuses[i] !== 'n')) v.order.push(i);
}

function layout(v) {
  'use strict';
  v.starts = new Float64Array(v.order.length + 1);
  for (let k = 0; k < v.order.length; k++)
    v.starts[k + 1] = v.starts[k] + 1 + (v.open.has(v.order[k]) ? itemsOf(v, v.order[k]).length : 0);
  v.spacer.style.height = v.starts[v.order.length] * LINE + 'px';
  for (const index of v.itemCache.keys()) if (!v.open.has(index)) v.itemCache.delete(index);
  const leftOut = v.page.sameLeftOut;
  v.$('row-count').textContent = v.order.length + ' of ' + v.page.rowCount + ' DMT rows shown' +
    (v.open.size ? ', ' + v.open.size + ' open' : '') + (leftOut ? '; ' + leftOut + ' the same, not on this page' : '');
}

/** The place in order of the row shown at a line. */
function rowAtLine(v, line) {
  'use strict';
  let low = 0;
  let high = v.order.length - 1;
  while (low < high) {
    const middle = (low + high + 1) >> 1;
    if (v.starts[middle] <= line) low = middle;
    else high = middle - 1;
  }
  return low;
}

function toggle(v, index) {
  'use strict';
  if (v.open.has(index)) v.open.delete(index);
  else v.open.add(index);
  layout(v);
  if (v.open.has(index) && v.stepper) showFirstChange(v, index);
  render(v);
}

/** Brings the first changed field of row index, just unfolded, into view as the current difference. */
function showFirstChange(v, index) {
  'use strict';
  const place = v.stepper.enterRow(index);
  if (place < 0) return;
  showStepCount(v);
  const rowTop = v.starts[v.order.indexOf(index)] * LINE;
  const fieldTop = rowTop + (1 + place) * LINE;
  const viewport = v.viewport;
  if (fieldTop >= viewport.scrollTop && fieldTop + LINE <= viewport.scrollTop + viewport.clientHeight) return;
  // The row's own line stays in view when the field fits below it.
  viewport.scrollTop =
    fieldTop - rowTop < viewport.clientHeight - 4 * LINE ? rowTop : fieldTop - viewport.clientHeight / 2;
}

// ---- Drawing ----

function lineElement(className, line) {
  'use strict';
  const made = newElement('div', 'line ' + className);
  made.style.top = line * LINE + 'px';
  return made;
}

function rowLine(v, index, line) {
  'use strict';
  const summary = v.page.summaryOf(itemsOf(v, index));
  const status = v.page.STATUS_CLASSES[v.page.statuses[index]] || '';
  const made = lineElement('row ' + status + (v.open.has(index) ? ' open' : ''), line);
  made.dataset.row = index;
  const texts = {
    ordinal: String(summary.ordinal),
    master: String(summary.master),
    state: String(summary.state),
    rmt: String(summary.announced !== undefined ? summary.announced : summary.rmt),
    line: 'line ' + v.page.rowLines[index],
  };
  v.fitColumns(texts);
  made.appendChild(newElement('span', 'fold', texts.ordinal));
  made.appendChild(newElement('span', '', summary.uuid));
  made.appendChild(newElement('span', '', texts.master));
  made.appendChild(newElement('span', '', texts.state));
  made.appendChild(newElement('span', '', summary.kinds));
  made.appendChild(newElement('span', '', texts.rmt));
  made.appendChild(newElement('span', 'c-line', texts.line));
  made.title =
    'Row ' + (index + 1) + (v.page.statuses[index] === 'n' ? ': the same where compared, some fields not compared' : '') +
    ': click to ' + (v.open.has(index) ? 'fold' : 'unfold');
  made.addEventListener('click', () => toggle(v, index));
  if (v.matchesByRow.has(index) && v.matchesByRow.get(index).has(-1)) made.classList.add('hit');
  return made;
}

function appendValue(v, into, kind, raw) {
  'use strict';
  const value = v.page.valueOf(kind, raw);
  into.appendChild(newElement('span', value.className || '', value.text));
}

/** The value of an item of an open row: A's and B's when it changed. */
function itemValue(v, item) {
  'use strict';
  const value = newElement('span', 'value');
  if (item.group) {
    if (item.key.includes('[')) value.textContent = item.key;
  } else if (item.change) {
    if (item.kind >= 0) appendValue(v, value, item.kind, item.raw);
    else value.appendChild(newElement('span', 'empty', '(not held)'));
    value.appendChild(newElement('span', 'arrow', '\u2192'));
    appendValue(v, value, item.change[2], item.change[3]);
  } else {
    appendValue(v, value, item.kind, item.raw);
  }
  value.title = value.textContent;
  return value;
}

/**
 * One field or group of an open row (the place-th of its items): its meaning, its value (A and
 * B when it changed), its line.
 */
function itemLine(v, index, item, line, place) {
  'use strict';
  const made = lineElement('field' + (item.group ? ' group' : '') + (item.className ? ' ' + item.className : ''), line);
  made.style.paddingLeft = 24 + item.depth * 18 + 'px';
  made.appendChild(newElement('span', 'label', item.label));
  made.appendChild(itemValue(v, item));
  let at = item.line ? 'line ' + item.line : '';
  if (item.change && item.change[2] >= 0) at += (at ? ' \u2192 ' : 'line ') + item.change[4];
  made.appendChild(newElement('span', 'at', at));
  made.title = item.path;
  const hits = v.matchesByRow.get(index);
  for (const key of hits ? [item.valueAt, 'b' + place] : [])
    if (hits.has(key)) made.classList.add(index + ':' + key === v.currentKey ? 'current' : 'hit');
  if (v.stepper && v.stepper.isCurrent(index, place)) markStep(v, made);
  return made;
}

function render(v) {
  'use strict';
  v.drawing = false;
  const first = Math.max(0, Math.floor(v.viewport.scrollTop / LINE) - OVERSCAN);
  const last = Math.ceil((v.viewport.scrollTop + v.viewport.clientHeight) / LINE) + OVERSCAN;
  const drawn = document.createDocumentFragment();
  for (let k = v.order.length ? rowAtLine(v, first) : 0; k < v.order.length && v.starts[k] <= last; k++) {
    const index = v.order[k];
    if (v.starts[k] >= first) drawn.appendChild(rowLine(v, index, v.starts[k]));
    if (!v.open.has(index)) continue;
    const items = itemsOf(v, index);
    const from = Math.max(0, first - v.starts[k] - 1);
    const to = Math.min(items.length, last - v.starts[k]);
    for (let j = from; j < to; j++) drawn.appendChild(itemLine(v, index, items[j], v.starts[k] + 1 + j, j));
  }
  v.rowsElement.textContent = '';
  v.rowsElement.appendChild(drawn);
  if (!v.order.length) v.rowsElement.appendChild(newElement('div', 'notice', whyEmpty(v.page)));
}

/** Why no row is shown. */
function whyEmpty(page) {
  'use strict';
  // A page of the rows that differ may hold none while the dumps hold many.
  if (!page.rowCount && (page.empty || !page.sameLeftOut)) return page.empty || 'No DMT row.';
  return page.same ? 'The two dumps are the same: no row differs.' : 'No DMT row differs.';
}

function scheduleRender(v) {
  'use strict';
  if (v.drawing) return;
  v.drawing = true;
  requestAnimationFrame(() => render(v));
}

// ---- Differences ----

/** Marks the element of the current difference, with its lines in A and B and its label. */
function markStep(v, made) {
  'use strict';
  made.classList.add('stepped');
  made.dataset.step = v.stepper.lines();
}

/** Shows item place of row index (-1: the manager's), the current difference. */
function reveal(v, index, place) {
  'use strict';
  for (const field of v.managerFields) field.classList.remove('stepped');
  if (index < 0) {
    if (v.managerFields[place]) {
      markStep(v, v.managerFields[place]);
      v.managerFields[place].scrollIntoView({ block: 'nearest' });
    }
  } else {
    if (!v.open.has(index)) {
      v.open.add(index);
      layout(v);
    }
    centerLine(v, v.starts[v.order.indexOf(index)] + 1 + place);
  }
  showStepCount(v);
  render(v);
}

function showStepCount(v) {
  'use strict';
  v.$('step-count').textContent = v.stepper.describe();
}

/** The stepper of a diff page, its buttons, its legend and "show only differences". */
function setUpDifferences(v) {
  'use strict';
  v.stepper = makeStepper(v.page, (index, place) => reveal(v, index, place));
  v.$('steps').hidden = false;
  v.$('next-difference').addEventListener('click', () => v.stepper.step(true));
  v.$('previous-difference').addEventListener('click', () => v.stepper.step(false));
  showStepCount(v);
  v.$('only-differences-box').hidden = v.page.sameLeftOut > 0; // every row held differs
  v.$('legend').hidden = false;
  v.$('only-differences').addEventListener('change', () => {
    chooseRows(v);
    layout(v);
    search(v, v.searchBox.value);
  });
}

// ---- Wiring ----

function wire(v) {
  'use strict';
  let typing = 0;
  v.searchBox.addEventListener('input', () => {
    clearTimeout(typing);
    typing = setTimeout(() => search(v, v.searchBox.value), 250);
  });
  v.searchBox.addEventListener('keydown', (event) => {
    if (event.key === 'Enter') {
      event.preventDefault();
      stepMatch(v, !event.shiftKey);
    } else if (event.key === 'Escape') {
      v.searchBox.value = '';
      search(v, '');
    }
  });
  document.addEventListener('keydown', (event) => {
    if (event.target === v.searchBox || event.ctrlKey || event.metaKey || event.altKey) return;
    if (event.key === '/') {
      event.preventDefault();
      v.searchBox.focus();
    } else if (event.key === 'n' || event.key === 'N') {
      stepMatch(v, event.key === 'n');
    } else if ((event.key === ']' || event.key === '[') && v.stepper) {
      v.stepper.step(event.key === ']');
    }
  });
  v.$('next').addEventListener('click', () => stepMatch(v, true));
  v.$('previous').addEventListener('click', () => stepMatch(v, false));
  v.$('fold-all').addEventListener('click', () => {
    v.open.clear();
    layout(v);
    render(v);
  });
  v.viewport.addEventListener('scroll', () => scheduleRender(v));
  window.addEventListener('resize', () => scheduleRender(v));
}

/** The page's title, its sources and its verdict. */
function showTitle(page) {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const names = page.sources.map((source) => source.name + ' (' + source.form + ', ' + source.rows + ' DMT rows)');
  $('title').textContent = page.isDiff ? 'mpgtree diff' : 'mpgtree';
  $('sources').textContent = page.isDiff ? 'A: ' + names[0] + '  \u2022  B: ' + names[1] : names[0];
  $('filter').textContent = page.filter ? 'narrowed by ' + page.filter : '';
  $('verdict').textContent = page.verdict;
  document.title = (page.isDiff ? 'mpgtree diff: ' : 'mpgtree: ') + page.sources.map((source) => source.name).join(' vs ');
}

/** Unfolds the rows and searches as the address asks (#unfold=1,3&search=TEXT). */
function followAddress(v, hash) {
  'use strict';
  for (const position of (hash.get('unfold') || '').split(',')) {
    const index = Number(position) - 1;
    if (index >= 0 && index < v.page.rowCount) v.open.add(index);
  }
  if (v.open.size) {
    layout(v);
    render(v);
  }
  if (hash.has('search')) {
    v.searchBox.value = hash.get('search');
    search(v, v.searchBox.value);
    goToMatch(v, 0);
  }
}

function start(v) {
  'use strict';
  const page = v.page;
  showTitle(page);
  if (page.isDiff) setUpDifferences(v);
  const hash = new URLSearchParams(location.hash.slice(1));
  // Where the dumps differ the page opens on the differences; #all shows every row.
  if (page.isDiff && (hash.has('only-differences') || (!page.same && !hash.has('all')))) v.$('only-differences').checked = true;
  v.managerFields = showHeading(page);
  // The line column fits the last line of any row from the start, not only of those drawn.
  v.fitColumns({ line: 'line ' + page.rowLines.reduce((longest, line) => Math.max(longest, line), 0) });
  chooseRows(v);
  layout(v);
  render(v);
  const shown = performance.now();
  v.$('first-render').textContent = '\u2022 first rows shown after ' + Math.round(shown) + ' ms';
  v.$('first-render').dataset.ms = shown.toFixed(1);
  followAddress(v, hash);
}

(function () {
  'use strict';
  const v = makeView();
  wire(v);
  start(v);
})();
