// The script of the page of mpgtree html: decodes the embedded data a row at a time, draws only
// the lines in view, folds and unfolds rows, searches, and marks the differences of two dumps.
// Values from the dump are set as text (textContent, title), never as markup.
(function () {
  'use strict';

  const LINE = 20; // the height of every line, as --line in the style
  const OVERSCAN = 10; // lines drawn beyond the view on each side
  const MATCH_LIMIT = 1000000;
  const TEXT = 0, WORD = 1, INTEGER = 2, BOOLEAN = 3, OPENING = 4, CLOSING = 5, KEYED_OPENING = 6;
  const DIGITS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_';
  const KIND_NAMES = {
    fileBasedComponent: 'file-based',
    rmtFileBasedComponent: 'RMT file-based',
    orvComponent: 'Orv',
    pellComponent: 'Pell',
    pellNonM1Component: 'Pell non-M1',
    providerComponent: 'provider',
    dummyComponent: 'dummy',
  };
  const STATUS_CLASSES = { c: 'changed', a: 'only-a', b: 'only-b' };

  const data = JSON.parse(document.getElementById('page-data').textContent);
  document.getElementById('page-data').remove(); // its text is parsed: the page need not keep it
  const strings = data.s;
  const fields = data.k;
  const shapes = data.shapes;
  const packed = data.rows;
  const rowCount = data.rowCount;
  const isDiff = data.mode === 'diff';
  const statuses = data.status || '';
  const marks = new Map((data.marks || []).map((entry) => [entry[0], entry[1]]));

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

  // ---- Decoding ----

  const digitValues = new Int8Array(128).fill(-1);
  for (let i = 0; i < DIGITS.length; i++) digitValues[DIGITS.charCodeAt(i)] = i;
  let cursor = 0; // the next digit of the packed rows to read

  /** The next packed number (zigzag-decoded, exact up to 2^53). */
  function readNumber() {
    let zigzag = 0;
    let scale = 1;
    for (;;) {
      const digit = digitValues[packed.charCodeAt(cursor++)];
      if (digit < 32) {
        zigzag += digit * scale;
        break;
      }
      zigzag += (digit - 32) * scale;
      scale *= 32;
    }
    return zigzag % 2 ? -(zigzag + 1) / 2 : zigzag / 2;
  }

  /** Whether a code of a shape takes a value. */
  const takesValue = (code) => (code & 7) !== OPENING && (code & 7) !== CLOSING;
  const valueCounts = shapes.map((shape) => shape[0].filter(takesValue).length);

  // Where each row starts in the packed rows, and its first line.
  const rowStarts = new Uint32Array(rowCount);
  const rowLines = new Float64Array(rowCount);
  for (let r = 0, line = 0; r < rowCount; r++) {
    rowStarts[r] = cursor;
    line += readNumber();
    rowLines[r] = line;
    const count = valueCounts[readNumber()];
    for (let v = 0; v < count; v++) while (digitValues[packed.charCodeAt(cursor++)] >= 32);
  }

  /** The node of row index: [firstLine, shape, values...]. */
  function rowNode(index) {
    cursor = rowStarts[index];
    readNumber();
    const shape = readNumber();
    const node = [rowLines[index], shape];
    for (let v = valueCounts[shape]; v > 0; v--) node.push(readNumber());
    return node;
  }

  /**
   * The items of a node ([firstLine, shape, values...]): its fields and group openings in
   * order, each with its depth, label, key, path within the node, line, and the place of its
   * value in the node (valueAt), which search results name.
   */
  function decodeNode(node) {
    const firstLine = node[0];
    const shape = shapes[node[1]];
    const codes = shape[0];
    const offsets = shape[1];
    const items = [];
    const parents = [];
    let prefix = '';
    let valueAt = 2;
    for (let i = 0; i < codes.length; i++) {
      const kind = codes[i] & 7;
      if (kind === CLOSING) {
        prefix = parents.pop();
        continue;
      }
      const field = fields[codes[i] >> 3];
      const item = { depth: parents.length, line: firstLine + offsets[i], label: field[1], kind, valueAt };
      if (kind === OPENING || kind === KEYED_OPENING) {
        item.group = true;
        item.key = kind === OPENING ? field[0] : field[0] + '[' + strings[node[valueAt]] + ']';
        item.path = prefix + item.key;
        parents.push(prefix);
        prefix = item.path + '.';
        if (kind === OPENING) {
          item.valueAt = -2; // takes no value
          items.push(item);
          continue;
        }
      } else {
        item.key = field[0];
        item.path = prefix + field[0];
        item.raw = node[valueAt];
      }
      valueAt++;
      items.push(item);
    }
    return items;
  }

  /** A value as text, with the class that shows what it is. */
  function valueOf(kind, raw) {
    switch (kind) {
      case TEXT:
        return strings[raw] === '' ? { text: '(empty)', className: 'empty' } : { text: strings[raw] };
      case WORD:
        return { text: KIND_NAMES[strings[raw]] || strings[raw], className: 'word' };
      case INTEGER:
        return { text: String(raw) };
      case BOOLEAN:
        return { text: raw ? 'yes' : 'no' };
      default:
        return { text: '(not held)', className: 'empty' };
    }
  }

  /** What the folded line of a row shows. */
  function summaryOf(items) {
    const summary = { ordinal: '', uuid: '', master: '', state: '', kinds: '', rmt: 0 };
    const kinds = {};
    for (const item of items) {
      if (item.depth === 0 && item.group && item.key.startsWith('rmt')) summary.rmt++;
      if (item.depth > 1 || (item.depth === 1 && item.key !== 'kind')) continue;
      const text = item.group ? '' : valueOf(item.kind, item.raw).text;
      if (item.path === 'ordinal') summary.ordinal = text;
      else if (item.path === 'uuid') summary.uuid = item.kind === WORD ? 'invalid' : text;
      else if (item.path === 'mappingMaster') summary.master = text;
      else if (item.path === 'modificationState') summary.state = text;
      else if (item.path === 'nonM1Component.kind') kinds.nonM1 = text;
      else if (item.path === 'm1Component.kind') kinds.m1 = text;
      else if (item.path === 'announcedRmtRowCount') summary.announced = text;
    }
    if (kinds.nonM1 !== undefined) summary.kinds = 'non-M1 ' + kinds.nonM1 + ' \u00b7 M1 ' + kinds.m1;
    return summary;
  }

  // ---- Differences ----

  /** Indexes the changes of a mark by their path within the node. */
  function changesByPath(changes) {
    return new Map(changes.map((change) => [strings[change[0]], change]));
  }

  /** Adds the marks of a changed node to its items: classes, changes, and the lines of B. */
  function annotate(items, mark) {
    const own = changesByPath(mark.c);
    const rmtRows = new Map(mark.r.map((entry) => [entry[0], entry]));
    const added = [];
    let rmt = null; // [key, status, changes by path] of the RMT row being walked
    for (const item of items) {
      if (item.depth === 0) rmt = null;
      if (item.depth === 0 && item.group && rmtRows.has(item.line)) {
        const entry = rmtRows.get(item.line);
        rmt = [item.key, entry[1], changesByPath(entry[2])];
        item.className = STATUS_CLASSES[entry[1]];
        continue;
      }
      if (rmt && rmt[1] === 'a') item.className = 'only-a';
      const change = rmt ? rmt[2].get(item.path.slice(rmt[0].length + 1)) : own.get(item.path);
      if (change && !item.group) {
        item.change = change;
        item.className = 'changed';
      }
    }
    for (const change of mark.c) if (!change[1]) added.push(heldOnlyByB(change, ''));
    for (const entry of mark.r)
      for (const change of entry[2])
        if (!change[1]) added.push(heldOnlyByB(change, itemsKeyAt(items, entry[0]) + '.'));
    for (const node of mark.b || [])
      for (const item of decodeNode(node)) added.push(Object.assign(item, { className: 'only-b' }));
    // What only B holds goes before the row's last field (whether it was closed), if it has one.
    const last = items.length && items[items.length - 1].path === 'closed' ? items.length - 1 : items.length;
    return items.slice(0, last).concat(added, items.slice(last));
  }

  function itemsKeyAt(items, line) {
    const group = items.find((item) => item.depth === 0 && item.group && item.line === line);
    return group ? group.key : '';
  }

  /** A field that only B holds, shown after A's fields with its whole path. */
  function heldOnlyByB(change, prefix) {
    const path = prefix + strings[change[0]];
    return { depth: 1, label: path + ' (only in B)', path, kind: -1, change, className: 'only-b', line: 0 };
  }

  // ---- Rows, folding and layout ----

  const itemCache = new Map();
  /** The items of row index, marked when it differs; kept while the row is open. */
  function rowItems(index) {
    let items = itemCache.get(index);
    if (items) return items;
    items = decodeNode(rowNode(index));
    const status = statuses[index];
    if (status === 'c' && marks.has(index)) items = annotate(items, marks.get(index));
    else if (STATUS_CLASSES[status]) for (const item of items) item.className = STATUS_CLASSES[status];
    itemCache.set(index, items);
    return items;
  }

  let order = []; // the rows shown, by index
  let starts = new Float64Array(1); // the first line of each row shown, and the total
  const open = new Set();

  function chooseRows() {
    const onlyDifferences = isDiff && $('only-differences').checked;
    order = [];
    for (let i = 0; i < rowCount; i++) if (!onlyDifferences || statuses[i] !== 's') order.push(i);
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
    render();
  }

  // ---- Drawing ----

  function lineElement(className, line) {
    const made = element('div', 'line ' + className);
    made.style.top = line * LINE + 'px';
    return made;
  }

  function rowLine(index, line) {
    const summary = summaryOf(rowItems(index));
    const status = STATUS_CLASSES[statuses[index]] || '';
    const made = lineElement('row ' + status + (open.has(index) ? ' open' : ''), line);
    made.dataset.row = index;
    made.appendChild(element('span', 'fold', summary.ordinal));
    made.appendChild(element('span', '', summary.uuid));
    made.appendChild(element('span', '', summary.master));
    made.appendChild(element('span', '', summary.state));
    made.appendChild(element('span', '', summary.kinds));
    made.appendChild(element('span', '', String(summary.announced !== undefined ? summary.announced : summary.rmt)));
    made.appendChild(element('span', 'c-line', 'line ' + rowLines[index]));
    made.title = 'Row ' + (index + 1) + ': click to ' + (open.has(index) ? 'fold' : 'unfold');
    made.addEventListener('click', () => toggle(index));
    if (matchesByRow.has(index) && matchesByRow.get(index).has(-1)) made.classList.add('hit');
    return made;
  }

  function appendValue(into, kind, raw) {
    const value = valueOf(kind, raw);
    into.appendChild(element('span', value.className || '', value.text));
  }

  /** One field or group of an open row: its meaning, its value (A and B when it changed), its line. */
  function itemLine(index, item, line) {
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
    if (hits && hits.has(item.valueAt)) made.classList.add(index + ':' + item.valueAt === currentKey ? 'current' : 'hit');
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
      for (let j = from; j < to; j++) drawn.appendChild(itemLine(index, items[j], starts[k] + 1 + j));
    }
    rowsElement.textContent = '';
    rowsElement.appendChild(drawn);
  }

  function scheduleRender() {
    if (!drawing) {
      drawing = true;
      requestAnimationFrame(render);
    }
  }

  function showManager() {
    const section = $('manager');
    if (!data.manager) {
      section.hidden = true;
      return;
    }
    let items = decodeNode(data.manager);
    if (marks.has(-1)) items = annotate(items, marks.get(-1));
    for (const item of items) {
      const made = element('div', 'field' + (item.className ? ' ' + item.className : ''));
      made.appendChild(element('span', 'label', item.label));
      const value = element('span', 'value');
      if (item.kind >= 0) appendValue(value, item.kind, item.raw);
      if (item.change) {
        value.appendChild(element('span', 'arrow', '\u2192'));
        appendValue(value, item.change[2], item.change[3]);
      }
      made.appendChild(value);
      made.appendChild(element('span', 'at', item.line ? 'line ' + item.line : ''));
      section.appendChild(made);
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
        cursor = rowStarts[index];
        readNumber();
        const codes = shapes[readNumber()][0];
        let valueAt = 2;
        for (let i = 0; i < codes.length && matches.length < MATCH_LIMIT; i++) {
          const kind = codes[i] & 7;
          if (!takesValue(codes[i])) continue;
          const value = readNumber();
          const hit = kind === INTEGER ? numeric && String(value).includes(wanted) : kind !== BOOLEAN && hitStrings[value];
          if (hit) {
            matches.push([index, valueAt]);
            if (!matchesByRow.has(index)) matchesByRow.set(index, new Set([-1]));
            matchesByRow.get(index).add(valueAt);
          }
          valueAt++;
        }
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
    const j = rowItems(index).findIndex((item) => item.valueAt === valueAt);
    const line = starts[k] + 1 + Math.max(j, -1);
    viewport.scrollTop = Math.max(0, line * LINE - viewport.clientHeight / 2);
    showCount();
    render();
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
    const names = data.sources.map((source) => source.name + ' (' + source.form + ', ' + source.rows + ' DMT rows)');
    $('title').textContent = isDiff ? 'mpgtree diff' : 'mpgtree';
    $('sources').textContent = isDiff ? 'A: ' + names[0] + '  \u2022  B: ' + names[1] : names[0];
    $('filter').textContent = data.filter ? 'narrowed by ' + data.filter : '';
    document.title = (isDiff ? 'mpgtree diff: ' : 'mpgtree: ') + data.sources.map((source) => source.name).join(' vs ');
    if (isDiff) {
      $('only-differences-box').hidden = false;
      $('legend').hidden = false;
      $('only-differences').addEventListener('change', () => {
        chooseRows();
        layout();
        search(searchBox.value);
      });
    }
    const hash = new URLSearchParams(location.hash.slice(1));
    if (isDiff && hash.has('only-differences')) $('only-differences').checked = true;
    showManager();
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
    if (!rowCount) rowsElement.appendChild(element('div', 'notice', 'No DMT row.'));
  }

  start();
})();
