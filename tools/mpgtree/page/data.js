// The data of the page of mpgtree html, decoded for page.js: the packed rows read a row at a
// time, each node's fields as items with their labels, paths and lines, and the marks of the
// differences of two dumps. Its layout is described in tools/mpgtree/PageData.h.

/** Reads the page's data object; answers what page.js draws from. */
// eslint-disable-next-line no-unused-vars
function readPageData(data) {
  'use strict';

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
  const STATUS_CLASSES = { c: 'changed', a: 'only-a', b: 'only-b', n: 'not-compared' };

  const strings = data.s;
  const fields = data.k;
  const shapes = data.shapes;
  const packed = data.rows;
  const rowCount = data.rowCount;
  const statuses = data.status || '';
  const marks = new Map((data.marks || []).map((entry) => [entry[0], entry[1]]));

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
      // A changed field shows A's value, then B's.
      let text = item.group ? '' : valueOf(item.kind, item.raw).text;
      if (item.change && !item.group) text += ' \u2192 ' + valueOf(item.change[2], item.change[3]).text;
      if (item.path === 'ordinal') summary.ordinal = text;
      else if (item.path === 'uuid') summary.uuid = item.kind === WORD ? 'invalid' : text;
      else if (item.path === 'mappingMaster') summary.master = text;
      else if (item.path === 'modificationState') summary.state = text;
      else if (item.path === 'nonM1Component.kind') kinds.nonM1 = text;
      else if (item.path === 'm1Component.kind') kinds.m1 = text;
      else if (item.path === 'announcedRmtRowCount') summary.announced = text;
      else if (item.path === 'stoppedAfterFirstPiece') summary.uuid = 'not written (row cut short)';
    }
    if (kinds.nonM1 !== undefined) summary.kinds = 'non-M1 ' + kinds.nonM1 + ' \u00b7 M1 ' + kinds.m1;
    return summary;
  }

  // ---- Differences ----

  /** Indexes the changes of a mark by their path within the node. */
  function changesByPath(changes) {
    return new Map(changes.map((change) => [strings[change[0]], change]));
  }

  /** The key of each RMT row group of a row's items, by the row's position in its list. */
  function rmtKeys(items) {
    return items.filter((item) => item.depth === 0 && item.group && item.key.startsWith('rmt[')).map((item) => item.key);
  }

  /**
   * Adds the marks of a node that differs to its items: classes, changes, the lines of B, and
   * the fields not compared. RMT rows are known by their position in the row's list.
   */
  function annotate(items, mark) {
    const own = changesByPath(mark.c);
    const rmtRows = new Map(mark.r.map((entry) => [entry[0], entry]));
    const notCompared = new Map((mark.u || []).map((entry) => [strings[entry[0]], entry]));
    const added = [];
    let rmt = null; // [key, status, changes by path] of the RMT row being walked
    let rmtPosition = 0;
    for (const item of items) {
      if (item.depth === 0) rmt = null;
      const skipped = notCompared.get(item.path);
      if (skipped && !item.group) {
        item.className = 'not-compared';
        item.label += skipped[1] ? ' (not compared: only A holds it)' : ' (not compared)';
        notCompared.delete(item.path);
      }
      if (item.depth === 0 && item.group && item.key.startsWith('rmt[')) rmtPosition++;
      if (item.depth === 0 && item.group && rmtRows.has(rmtPosition) && item.key.startsWith('rmt[')) {
        const entry = rmtRows.get(rmtPosition);
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
    const keys = rmtKeys(items);
    for (const change of mark.c) if (!change[1]) added.push(heldOnlyByB(change, ''));
    for (const entry of mark.r)
      for (const change of entry[2])
        if (!change[1]) added.push(heldOnlyByB(change, (keys[entry[0] - 1] || '') + '.'));
    for (const [path, entry] of notCompared) added.push(notComparedItem(path, entry));
    for (const node of mark.b || [])
      for (const item of decodeNode(node)) added.push(Object.assign(item, { className: 'only-b' }));
    // What only B holds goes before the row's last field (whether it was closed), if it has one.
    const last = items.length && items[items.length - 1].path === 'closed' ? items.length - 1 : items.length;
    return items.slice(0, last).concat(added, items.slice(last));
  }


  /** A field that only B holds, shown after A's fields with its whole path. */
  function heldOnlyByB(change, prefix) {
    const path = prefix + strings[change[0]];
    return { depth: 1, label: path + ' (only in B)', path, kind: -1, change, className: 'only-b', line: 0 };
  }

  /** A field not compared that A's items do not show (only B holds it), with its whole path. */
  function notComparedItem(path, entry) {
    const label = path + (entry[1] ? ' (not compared: only A holds it)' : ' (only in B, not compared)');
    return { depth: 1, label, path, kind: -1, className: 'not-compared', line: 0 };
  }

  /** The items of row index, marked when it differs. */
  function rowItems(index) {
    const items = decodeNode(rowNode(index));
    const status = statuses[index];
    if ((status === 'c' || status === 'n') && marks.has(index)) return annotate(items, marks.get(index));
    if (STATUS_CLASSES[status]) for (const item of items) item.className = STATUS_CLASSES[status];
    return items;
  }

  /** The manager's items, marked when it differs; none when the dump has no manager. */
  function managerItems() {
    if (!data.manager) return null;
    const items = decodeNode(data.manager);
    return marks.has(-1) ? annotate(items, marks.get(-1)) : items;
  }

  /**
   * The changed fields of the comparison in the report's order: [row index (-1: the manager),
   * change]: the manager's, then each row's in the order of the rows, a row's own fields before
   * those of its RMT rows.
   */
  function changeList() {
    const list = [];
    for (const index of [...marks.keys()].sort((x, y) => x - y)) {
      const mark = marks.get(index);
      if (index >= 0 && statuses[index] !== 'c') continue;
      for (const change of mark.c) list.push([index, change]);
      for (const entry of mark.r) for (const change of entry[2]) list.push([index, change]);
    }
    return list;
  }

  /** Calls visit(kind, value, valueAt) for each value of row index that a search can find. */
  function forEachValue(index, visit) {
    cursor = rowStarts[index];
    readNumber();
    const codes = shapes[readNumber()][0];
    let valueAt = 2;
    for (let i = 0; i < codes.length; i++) {
      if (!takesValue(codes[i])) continue;
      if (visit(codes[i] & 7, readNumber(), valueAt++) === false) return;
    }
  }

  /**
   * Calls visit(kind, value, j) for each value that B holds in a changed row index, in place of
   * A's or beside them: j is the place of its item in the row's items.
   */
  function forEachValueOfB(index, visit) {
    if (statuses[index] !== 'c' || !marks.has(index)) return;
    rowItems(index).forEach((item, j) => {
      if (item.group) return;
      if (item.change && item.change[2] >= 0) visit(item.change[2], item.change[3], j);
      else if (!item.change && item.className === 'only-b' && item.kind >= 0) visit(item.kind, item.raw, j);
    });
  }

  return {
    TEXT, WORD, INTEGER, BOOLEAN, STATUS_CLASSES,
    isDiff: data.mode === 'diff',
    sources: data.sources,
    filter: data.filter,
    verdict: data.verdict || '',
    same: data.same === true,
    counts: data.counts || [],
    empty: data.empty || '',
    damage: data.damage || [],
    strings,
    rowCount,
    rowLines,
    statuses,
    rowItems,
    managerItems,
    changeList,
    forEachValue,
    forEachValueOfB,
    valueOf,
    summaryOf,
  };
}
