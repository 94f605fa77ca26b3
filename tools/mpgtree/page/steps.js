// Stepping through the differences of a comparison page: the changed fields in the order of the
// report (diff --json), one at a time, each shown in its place with both values.

/**
 * The steps of the page's differences. reveal(index, place) shows item place of row index (-1:
 * the manager). Stepping stops at the first and the last difference: it does not wrap.
 */
// eslint-disable-next-line no-unused-vars
function makeStepper(page, reveal) {
  'use strict';

  const changes = page.changeList(); // [row index (-1: the manager), change], the report's order
  let current = -1;
  let shown = { index: -2, place: -1, lines: '' }; // the current difference's item

  /** The text of the step counter: where stepping stands and that it stops at the ends. */
  function describe() {
    if (!changes.length) return 'no field changed';
    if (current < 0) return changes.length + (changes.length === 1 ? ' changed field' : ' changed fields');
    const end = current === changes.length - 1 ? ' (the last)' : current === 0 ? ' (the first)' : '';
    return 'difference ' + (current + 1) + ' of ' + changes.length + end;
  }

  /** Makes difference s the current one; answers the place of its item. */
  function choose(s) {
    current = s;
    const [index, change] = changes[s];
    const items = index < 0 ? page.managerItems() : page.rowItems(index);
    const place = items.findIndex((item) => item.change === change);
    const item = items[place] || {};
    const lines = (item.line || '') + '>' + (change[2] >= 0 ? change[4] : '') + ' ' + item.label;
    shown = { index, place, lines };
    return place;
  }

  /** Makes difference s the current one and shows it. */
  function goTo(s) {
    reveal(changes[s][0], choose(s));
  }

  return {
    count: changes.length,
    describe,
    /** Goes to the next difference (forward) or the one before; stays at the ends. */
    step(forward) {
      if (!changes.length) return;
      if (current < 0) goTo(forward ? 0 : changes.length - 1);
      else goTo(Math.max(0, Math.min(changes.length - 1, current + (forward ? 1 : -1))));
    },
    /** Whether item place of row index (-1: the manager) is the current difference. */
    isCurrent(index, place) {
      return shown.index === index && shown.place === place;
    },
    /** The place of the first changed field of row index, made the current difference; -1 if none. */
    enterRow(index) {
      const s = changes.findIndex((entry) => entry[0] === index);
      return s < 0 ? -1 : choose(s);
    },
    /** The current difference: its lines in A and B and its label, "A>B label" (no line where a dump lacks it). */
    lines: () => shown.lines,
  };
}
