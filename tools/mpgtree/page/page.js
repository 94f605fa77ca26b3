// The script of the page of mpgtree html: draws only the lines in view of the rows that data.js
// decodes, folds and unfolds rows, searches, marks the differences of two dumps and shows the
// one that steps.js stands on. heading.js fills the top of the page, columns.js sizes columns.
// Values from the dump are set as text (textContent, title), never as markup.
(function () {
  'use strict';

  const LINE = 20; // the height of every line, as --line in the style
  const OVERSCAN = 10; // lines drawn beyond the view on each side
  const MATCH_LIMIT = 1000000;
  const page = readPageData(JSON.parse(document.getElementById('page-data').textContent));
  document.getElementById('page-data').remove(); // its text is parsed: the page need not keep it
  const { INTEGER, BOOLEAN, STATUS_CLASSES, isDiff, strings, rowCount, rowLines, statuses } = page;
  const { valueOf, summaryOf } = page;

  const $ = (id) => document.getElementById(id);
  const viewport = $('viewport');
  const spacer = $('spacer');
  const rowsElement = $('rows');
  const searchBox = $('search');

  /** Makes an element with a class and a text. */
  function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  }

  // ---- Rows, folding and layout ----

  const itemCache = new Map();
  /** The items of row index, marked when it differs; kept while the row is open. */
  function rowItems(index) {
    let items = itemCache.get(index);
    if (!items) {
      items = page.rowItems(index);
      itemCache.set(index, items);
    }
    return items;
  }

  let order = []; // the rows shown, by index
  let starts = new Float64Array(1); // the first line of each row shown, and the total
  const open = new Set();
  let managerFields = []; // the manager's field elements, by the place of their item
  let stepper = null; // the differences of a comparison, stepped through (steps.js)

  function chooseRows() {
    const onlyDifferences = isDiff && $('only-differences').checked;
    order = [];
    for (let i = 0; i < rowCount; i++) if (!onlyDifferences || (statuses[i] !== 's' && statuses[i] !== 'n')) order.push(i);
  }

  function layout() {
    starts = new Float64Array(order.length + 1);
    for (let k = 0; k < order.length; k++)
      starts[k + 1] = starts[k] + 1 + (open.has(order[k]) ? rowItems(order[k]).length : 0);
    spacer.style.height = starts[order.length] * LINE + 'px';
    for (const index of itemCache.keys()) if (!open.has(index)) itemCache.delete(index);
    $('row-count').textContent =
      order.length + ' of ' + rowCount + ' DMT rows shown' + (open.size ? ', ' + open.size + ' open' : '');
  }

  /** The place in order of the row shown at a line. */
  function rowAtLine(line) {
    let low = 0;
    let high = order.length - 1;
    while (low < high) {
      const middle = (low + high + 1) >> 1;
      if (starts[middle] <= line) low = middle;
      else high = middle - 1;
    }
    return low;
  }

  function toggle(index) {
    if (open.has(index)) open.delete(index);
    else open.add(index);
    layout();
    if (open.has(index) && stepper) showFirstChange(index);
    render();
  }

  /** Brings the first changed field of row index, just unfolded, into view as the current difference. */
  function showFirstChange(index) {
    const place = stepper.enterRow(index);
    if (place < 0) return;
    showStepCount();
    const rowTop = starts[order.indexOf(index)] * LINE;
    const fieldTop = rowTop + (1 + place) * LINE;
    if (fieldTop >= viewport.scrollTop && fieldTop + LINE <= viewport.scrollTop + viewport.clientHeight) return;
    // The row's own line stays in view when the field fits below it.
    viewport.scrollTop =
      fieldTop - rowTop < viewport.clientHeight - 4 * LINE ? rowTop : fieldTop - viewport.clientHeight / 2;
  }

  // ---- Drawing ----

  function lineElement(className, line) {
    const made = element('div', 'line ' + className);
    made.style.top = line * LINE + 'px';
    return made;
  }

  const fitColumns = makeColumnFitter(rowsElement); // columns.js

  function rowLine(index, line) {
    const summary = summaryOf(rowItems(index));
    const status = STATUS_CLASSES[statuses[index]] || '';
    const made = lineElement('row ' + status + (open.has(index) ? ' open' : ''), line);
    made.dataset.row = index;
    const texts = {
      ordinal: String(summary.ordinal),
      master: String(summary.master),
      state: String(summary.state),
      rmt: String(summary.announced !== undefined ? summary.announced : summary.rmt),
      line: 'line ' + rowLines[index],
    };
    fitColumns(texts);
    made.appendChild(element('span', 'fold', texts.ordinal));
    made.appendChild(element('span', '', summary.uuid));
    made.appendChild(element('span', '', texts.master));
    made.appendChild(element('span', '', texts.state));
    made.appendChild(element('span', '', summary.kinds));
    made.appendChild(element('span', '', texts.rmt));
    made.appendChild(element('span', 'c-line', texts.line));
    made.title =
      'Row ' + (index + 1) + (statuses[index] === 'n' ? ': the same where compared, some fields not compared' : '') +
      ': click to ' + (open.has(index) ? 'fold' : 'unfold');
    made.addEventListener('click', () => toggle(index));
    if (matchesByRow.has(index) && matchesByRow.get(index).has(-1)) made.classList.add('hit');
    return made;
  }

  function appendValue(into, kind, raw) {
    const value = valueOf(kind, raw);
    into.appendChild(element('span', value.className || '', value.text));
  }

  /**
   * One field or group of an open row (the place-th of its items): its meaning, its value (A and
   * B when it changed), its line.
   */
  function itemLine(index, item, line, place) {
    const made = lineElement('field' + (item.group ? ' group' : '') + (item.className ? ' ' + item.className : ''), line);
    made.style.paddingLeft = 24 + item.depth * 18 + 'px';
    made.appendChild(element('span', 'label', item.label));
    const value = element('span', 'value');
    if (item.group) {
      if (item.key.includes('[')) value.textContent = item.key;
    } else if (item.change) {
      const change = item.change;
      if (item.kind >= 0) appendValue(value, item.kind, item.raw);
      else value.appendChild(element('span', 'empty', '(not held)'));
      value.appendChild(element('span', 'arrow', '\u2192'));
      appendValue(value, change[2], change[3]);
    } else {
      appendValue(value, item.kind, item.raw);
    }
    value.title = value.textContent;
    made.appendChild(value);
    let at = item.line ? 'line ' + item.line : '';
    if (item.change && item.change[2] >= 0) at += (at ? ' \u2192 ' : 'line ') + item.change[4];
    made.appendChild(element('span', 'at', at));
    made.title = item.path;
    const hits = matchesByRow.get(index);
    for (const key of hits ? [item.valueAt, 'b' + place] : [])
      if (hits.has(key)) made.classList.add(index + ':' + key === currentKey ? 'current' : 'hit');
    if (stepper && stepper.isCurrent(index, place)) markStep(made);
    return made;
  }

  let drawing = false;
  function render() {
    drawing = false;
    const first = Math.max(0, Math.floor(viewport.scrollTop / LINE) - OVERSCAN);
    const last = Math.ceil((viewport.scrollTop + viewport.clientHeight) / LINE) + OVERSCAN;
    const drawn = document.createDocumentFragment();
    for (let k = order.length ? rowAtLine(first) : 0; k < order.length && starts[k] <= last; k++) {
      const index = order[k];
      if (starts[k] >= first) drawn.appendChild(rowLine(index, starts[k]));
      if (!open.has(index)) continue;
      const items = rowItems(index);
      const from = Math.max(0, first - starts[k] - 1);
      const to = Math.min(items.length, last - starts[k]);
      for (let j = from; j < to; j++) drawn.appendChild(itemLine(index, items[j], starts[k] + 1 + j, j));
    }
    rowsElement.textContent = '';
    rowsElement.appendChild(drawn);
    if (!order.length) rowsElement.appendChild(element('div', 'notice', whyEmpty()));
  }

  /** Why no row is shown. */
  function whyEmpty() {
    if (!rowCount) return page.empty || 'No DMT row.';
    return page.same ? 'The two dumps are the same: no row differs.' : 'No DMT row differs.';
  }

  function scheduleRender() {
    if (!drawing) {
      drawing = true;
      requestAnimationFrame(render);
    }
  }

  // ---- Search ----

  let matches = []; // [row index, valueAt], in the order of the rows shown
  let matchesByRow = new Map(); // row index -> set of valueAt
  let current = -1;
  let currentKey = '';
  let searched = '';

  function search(query) {
    searched = query;
    const wanted = query.trim().toLowerCase();
    matches = [];
    matchesByRow = new Map();
    current = -1;
    currentKey = '';
    if (wanted) {
      const hitStrings = new Uint8Array(strings.length);
      for (let i = 0; i < strings.length; i++) if (strings[i].toLowerCase().includes(wanted)) hitStrings[i] = 1;
      const numeric = /^-?[0-9]+$/.test(wanted);
      for (const index of order) {
        const visit = (kind, value, valueAt) => {
          const hit = kind === INTEGER ? numeric && String(value).includes(wanted) : kind !== BOOLEAN && hitStrings[value];
          if (hit) {
            matches.push([index, valueAt]);
            if (!matchesByRow.has(index)) matchesByRow.set(index, new Set([-1]));
            matchesByRow.get(index).add(valueAt);
          }
          return matches.length < MATCH_LIMIT;
        };
        page.forEachValue(index, visit);
        // B's values of a changed row are known by their item's place: "b" and the place.
        if (matches.length < MATCH_LIMIT) page.forEachValueOfB(index, (kind, value, j) => visit(kind, value, 'b' + j));
      }
    }
    showCount();
    render();
  }

  function showCount() {
    const count = $('count');
    if (!searched.trim()) count.textContent = '';
    else if (!matches.length) count.textContent = 'no match';
    else
      count.textContent =
        (current >= 0 ? current + 1 + ' of ' : '') +
        matches.length + (matches.length >= MATCH_LIMIT ? '+' : '') + ' matches in ' + matchesByRow.size + ' rows';
  }

  /** Opens the row of match m and scrolls its field into the middle of the view. */
  function goTo(m) {
    if (!matches.length) return;
    current = (m + matches.length) % matches.length;
    const [index, valueAt] = matches[current];
    currentKey = index + ':' + valueAt;
    if (!open.has(index)) {
      open.add(index);
      layout();
    }
    const k = order.indexOf(index);
    const j =
      typeof valueAt === 'string' ? Number(valueAt.slice(1)) : rowItems(index).findIndex((item) => item.valueAt === valueAt);
    centerLine(starts[k] + 1 + Math.max(j, -1));
    showCount();
    render();
  }

  function centerLine(line) {
    viewport.scrollTop = Math.max(0, line * LINE - viewport.clientHeight / 2);
  }

  // ---- Differences ----

  /** Marks the element of the current difference, with its lines in A and B and its label. */
  function markStep(made) {
    made.classList.add('stepped');
    made.dataset.step = stepper.lines();
  }

  /** Shows item place of row index (-1: the manager's), the current difference. */
  function reveal(index, place) {
    for (const field of managerFields) field.classList.remove('stepped');
    if (index < 0) {
      if (managerFields[place]) {
        markStep(managerFields[place]);
        managerFields[place].scrollIntoView({ block: 'nearest' });
      }
    } else {
      if (!open.has(index)) {
        open.add(index);
        layout();
      }
      centerLine(starts[order.indexOf(index)] + 1 + place);
    }
    showStepCount();
    render();
  }

  function showStepCount() {
    $('step-count').textContent = stepper.describe();
  }

  function step(forward) {
    if (searchBox.value !== searched) search(searchBox.value);
    goTo(current < 0 ? (forward ? 0 : -1) : current + (forward ? 1 : -1));
  }

  // ---- Wiring ----

  let typing = 0;
  searchBox.addEventListener('input', () => {
    clearTimeout(typing);
    typing = setTimeout(() => search(searchBox.value), 250);
  });
  searchBox.addEventListener('keydown', (event) => {
    if (event.key === 'Enter') {
      event.preventDefault();
      step(!event.shiftKey);
    } else if (event.key === 'Escape') {
      searchBox.value = '';
      search('');
    }
  });
  document.addEventListener('keydown', (event) => {
    if (event.target === searchBox || event.ctrlKey || event.metaKey || event.altKey) return;
    if (event.key === '/') {
      event.preventDefault();
      searchBox.focus();
    } else if (event.key === 'n' || event.key === 'N') {
      step(event.key === 'n');
    } else if ((event.key === ']' || event.key === '[') && stepper) {
      stepper.step(event.key === ']');
    }
  });
  $('next').addEventListener('click', () => step(true));
  $('previous').addEventListener('click', () => step(false));
  $('fold-all').addEventListener('click', () => {
    open.clear();
    layout();
    render();
  });
  viewport.addEventListener('scroll', scheduleRender);
  window.addEventListener('resize', scheduleRender);

  function start() {
    const names = page.sources.map((source) => source.name + ' (' + source.form + ', ' + source.rows + ' DMT rows)');
    $('title').textContent = isDiff ? 'mpgtree diff' : 'mpgtree';
    $('sources').textContent = isDiff ? 'A: ' + names[0] + '  \u2022  B: ' + names[1] : names[0];
    $('filter').textContent = page.filter ? 'narrowed by ' + page.filter : '';
    $('verdict').textContent = page.verdict;
    document.title = (isDiff ? 'mpgtree diff: ' : 'mpgtree: ') + page.sources.map((source) => source.name).join(' vs ');
    if (isDiff) {
      stepper = makeStepper(page, reveal);
      $('steps').hidden = false;
      $('next-difference').addEventListener('click', () => stepper.step(true));
      $('previous-difference').addEventListener('click', () => stepper.step(false));
      showStepCount();
      $('only-differences-box').hidden = false;
      $('legend').hidden = false;
      $('only-differences').addEventListener('change', () => {
        chooseRows();
        layout();
        search(searchBox.value);
      });
    }
    const hash = new URLSearchParams(location.hash.slice(1));
    // Where the dumps differ the page opens on the differences; #all shows every row.
    if (isDiff && (hash.has('only-differences') || (!page.same && !hash.has('all')))) $('only-differences').checked = true;
    managerFields = showHeading(page);
    // The line column fits the last line of any row from the start, not only of those drawn.
    fitColumns({ line: 'line ' + rowLines.reduce((longest, line) => Math.max(longest, line), 0) });
    chooseRows();
    layout();
    render();
    const shown = performance.now();
    $('first-render').textContent = '\u2022 first rows shown after ' + Math.round(shown) + ' ms';
    $('first-render').dataset.ms = shown.toFixed(1);
    for (const position of (hash.get('unfold') || '').split(',')) {
      const index = Number(position) - 1;
      if (index >= 0 && index < rowCount) open.add(index);
    }
    if (open.size) {
      layout();
      render();
    }
    if (hash.has('search')) {
      searchBox.value = hash.get('search');
      search(searchBox.value);
      goTo(0);
    }
  }

  start();
})();
