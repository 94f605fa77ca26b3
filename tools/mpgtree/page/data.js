// The data of the page of mpgtree html, decoded for page.js: the packed rows read a row at a
// time, each node's fields as items with their labels, paths and lines, and the marks of the
// differences of two dumps. Its layout is described in tools/mpgtree/PageData.h.

const STATUS_CLASSES = { c: 'changed', a: 'only-a', b: 'only-b', n: 'not-compared' };

/**
 * The codes the data is read by, as it gives them (tools/mpgtree/PageCodes.h), and the tables
 * its nodes refer to: texts, fields and shapes.
 */
function readCodes(data) {
  'use strict';
  const codes = data.codes;
  const { text: TEXT, word: WORD, integer: INTEGER, yesNo: BOOLEAN } = codes.kinds;
  const { opening: OPENING, closing: CLOSING, keyedOpening: KEYED_OPENING } = codes.kinds;
  const KIND_MASK = (1 << codes.kindBits) - 1; // a code is its field's index, then its kind
  const digitValues = new Int8Array(128).fill(-1);
  for (let i = 0; i < codes.digits.length; i++) digitValues[codes.digits.charCodeAt(i)] = i;
  const takesValue = (code) => (code & KIND_MASK) !== OPENING && (code & KIND_MASK) !== CLOSING;
  return {
    TEXT, WORD, INTEGER, BOOLEAN, OPENING, CLOSING, KEYED_OPENING, KIND_MASK,
    kindBits: codes.kindBits,
    more: codes.digits.length / 2, // a digit of this or above: more digits follow
    digitValues,
    kindLabels: codes.kindLabels,
    takesValue,
    strings: data.s,
    fields: data.k,
    shapes: data.shapes,
    valueCounts: data.shapes.map((shape) => shape[0].filter(takesValue).length),
  };
}

/** The packed rows of the data, read a row at a time (c: readCodes). */
function readPackedRows(data, c) {
  'use strict';
  const packed = data.rows;
  let cursor = 0; // the next digit of the packed rows to read

  /** The next packed number (zigzag-decoded, exact up to 2^53). */
  function readNumber() {
    let zigzag = 0;
    for (let scale = 1; ; scale *= c.more) {
      const digit = c.digitValues[packed.charCodeAt(cursor++)];
      if (digit < c.more) return (zigzag += digit * scale) % 2 ? -(zigzag + 1) / 2 : zigzag / 2;
      zigzag += (digit - c.more) * scale;
    }
  }

  // Where each row starts in the packed rows, and its first line.
  const rowStarts = new Uint32Array(data.rowCount);
  const rowLines = new Float64Array(data.rowCount);
  for (let r = 0, line = 0; r < data.rowCount; r++) {
    rowStarts[r] = cursor;
    line += readNumber();
    rowLines[r] = line;
    const count = c.valueCounts[readNumber()];
    for (let v = 0; v < count; v++) while (c.digitValues[packed.charCodeAt(cursor++)] >= c.more);
  }

  return {
    rowLines,
    /** The node of row index: [firstLine, shape, values...]. */
    rowNode(index) {
      cursor = rowStarts[index];
      readNumber();
      const shape = readNumber();
      const node = [rowLines[index], shape];
      for (let v = c.valueCounts[shape]; v > 0; v--) node.push(readNumber());
      return node;
    },
    /** Calls visit(kind, value, valueAt) for each value of row index that a search can find. */
    forEachValue(index, visit) {
      cursor = rowStarts[index];
      readNumber();
      const codes = c.shapes[readNumber()][0];
      let valueAt = 2;
      for (let i = 0; i < codes.length; i++) {
        if (!c.takesValue(codes[i])) continue;
        if (visit(codes[i] & c.KIND_MASK, readNumber(), valueAt++) === false) return;
      }
    },
  };
}

/**
 * The items of a node ([firstLine, shape, values...]): its fields and group openings in order,
 * each with its depth, label, key, path within the node, line, and the place of its value in the
 * node (valueAt), which search results name.
 */
function decodeNode(c, node) {
  'use strict';
  const [codes, offsets] = c.shapes[node[1]];
  const items = [];
  const parents = [];
  let prefix = '';
  let valueAt = 2;
  for (let i = 0; i < codes.length; i++) {
    const kind = codes[i] & c.KIND_MASK;
    if (kind === c.CLOSING) {
      prefix = parents.pop();
      continue;
    }
    const field = c.fields[codes[i] >> c.kindBits];
    const item = { depth: parents.length, line: node[0] + offsets[i], label: field[1], kind, valueAt };
    if (kind === c.OPENING || kind === c.KEYED_OPENING) {
      item.group = true;
      item.key = kind === c.OPENING ? field[0] : field[0] + '[' + c.strings[node[valueAt]] + ']';
      item.path = prefix + item.key;
      parents.push(prefix);
      prefix = item.path + '.';
      if (kind === c.OPENING) {
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
function shownValue(c, kind, raw) {
  'use strict';
  switch (kind) {
    case c.TEXT:
      return c.strings[raw] === '' ? { text: '(empty)', className: 'empty' } : { text: c.strings[raw] };
    case c.WORD:
      return { text: c.kindLabels[c.strings[raw]] || c.strings[raw], className: 'word' };
    case c.INTEGER:
      return { text: String(raw) };
    case c.BOOLEAN:
      return { text: raw ? 'yes' : 'no' };
    default:
      return { text: '(not held)', className: 'empty' };
  }
}

/** What the folded line of a row shows. */
function summaryOf(c, items) {
  'use strict';
  const summary = { ordinal: '', uuid: '', master: '', state: '', kinds: '', rmt: 0 };
  const kinds = {};
  for (const item of items) {
    if (item.depth === 0 && item.group && item.key.startsWith('rmt')) summary.rmt++;
    if (item.depth > 1 || (item.depth === 1 && item.key !== 'kind')) continue;
    // A changed field shows A's value, then B's.
    let text = item.group ? '' : shownValue(c, item.kind, item.raw).text;
    if (item.change && !item.group) text += ' \u2192 ' + shownValue(c, item.change[2], item.change[3]).text;
    if (item.path === 'ordinal') summary.ordinal = text;
    else if (item.path === 'uuid') summary.uuid = item.kind === c.WORD ? 'invalid' : text;
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

/**
 * Marks the items of a node that differs with its changes and fields not compared (mark: c own
 * changes, r RMT rows by position, u fields not compared); answers the fields not compared that
 * no item showed, by path.
 */
function markItems(c, items, mark) {
  'use strict';
  const byPath = (changes) => new Map(changes.map((change) => [c.strings[change[0]], change]));
  const own = byPath(mark.c);
  const rmtRows = new Map(mark.r.map((entry) => [entry[0], entry]));
  const notCompared = new Map((mark.u || []).map((entry) => [c.strings[entry[0]], entry]));
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
    const rmtGroup = item.depth === 0 && item.group && item.key.startsWith('rmt[');
    if (rmtGroup) rmtPosition++;
    if (rmtGroup && rmtRows.has(rmtPosition)) {
      const entry = rmtRows.get(rmtPosition);
      rmt = [item.key, entry[1], byPath(entry[2])];
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
  return notCompared;
}

/**
 * Adds the marks of a node that differs to its items: classes, changes, the lines of B, and the
 * fields not compared, with what only B holds before the node's last field (whether it was
 * closed), if it has one. RMT rows are known by their position in the row's list.
 */
function annotate(c, items, mark) {
  'use strict';
  const notCompared = markItems(c, items, mark);
  const added = [];
  const heldOnlyByB = (change, prefix) => {
    const path = prefix + c.strings[change[0]];
    return { depth: 1, label: path + ' (only in B)', path, kind: -1, change, className: 'only-b', line: 0 };
  };
  const keys = items.filter((item) => item.depth === 0 && item.group && item.key.startsWith('rmt[')).map((item) => item.key);
  for (const change of mark.c) if (!change[1]) added.push(heldOnlyByB(change, ''));
  for (const entry of mark.r)
    for (const change of entry[2]) if (!change[1]) added.push(heldOnlyByB(change, (keys[entry[0] - 1] || '') + '.'));
  for (const [path, entry] of notCompared) {
    const label = path + (entry[1] ? ' (not compared: only A holds it)' : ' (only in B, not compared)');
    added.push({ depth: 1, label, path, kind: -1, className: 'not-compared', line: 0 });
  }
  for (const node of mark.b || [])
    for (const item of decodeNode(c, node)) added.push(Object.assign(item, { className: 'only-b' }));
  const last = items.length && items[items.length - 1].path === 'closed' ? items.length - 1 : items.length;
  return items.slice(0, last).concat(added, items.slice(last));
}

/**
 * The changed fields of the comparison in the report's order: [row index (-1: the manager),
 * change]: the manager's, then each row's in the order of the rows, a row's own fields before
 * those of its RMT rows.
 */
function changeList(marks, statuses) {
  'use strict';
  const list = [];
  for (const index of [...marks.keys()].sort((x, y) => x - y)) {
    const mark = marks.get(index);
    if (index >= 0 && statuses[index] !== 'c') continue;
    for (const change of mark.c) list.push([index, change]);
    for (const entry of mark.r) for (const change of entry[2]) list.push([index, change]);
  }
  return list;
}

/** Reads the page's data object; answers what page.js draws from. */
// eslint-disable-next-line no-unused-vars
function readPageData(data) {
  'use strict';
  const c = readCodes(data);
  const rows = readPackedRows(data, c);
  const statuses = data.status || '';
  const marks = new Map((data.marks || []).map((entry) => [entry[0], entry[1]]));

  /** The items of row index, marked when it differs. */
  function rowItems(index) {
    const items = decodeNode(c, rows.rowNode(index));
    const status = statuses[index];
    if ((status === 'c' || status === 'n') && marks.has(index)) return annotate(c, items, marks.get(index));
    if (STATUS_CLASSES[status]) for (const item of items) item.className = STATUS_CLASSES[status];
    return items;
  }

  return {
    TEXT: c.TEXT, WORD: c.WORD, INTEGER: c.INTEGER, BOOLEAN: c.BOOLEAN, STATUS_CLASSES,
    isDiff: data.mode === 'diff', sources: data.sources, filter: data.filter,
    verdict: data.verdict || '', same: data.same === true, counts: data.counts || [],
    sameLeftOut: data.sameLeftOut || 0, empty: data.empty || '', damage: data.damage || [],
    strings: c.strings, rowCount: data.rowCount, rowLines: rows.rowLines, statuses,
    rowItems,
    /** The manager's items, marked when it differs; none when the dump has no manager. */
    managerItems() {
      if (!data.manager) return null;
      const items = decodeNode(c, data.manager);
      return marks.has(-1) ? annotate(c, items, marks.get(-1)) : items;
    },
    changeList: () => changeList(marks, statuses),
    forEachValue: rows.forEachValue,
    /**
     * Calls visit(kind, value, j) for each value that B holds in a changed row index, in place
     * of A's or beside them: j is the place of its item in the row's items.
     */
    forEachValueOfB(index, visit) {
      if (statuses[index] !== 'c' || !marks.has(index)) return;
      rowItems(index).forEach((item, j) => {
        if (item.group) return;
        if (item.change && item.change[2] >= 0) visit(item.change[2], item.change[3], j);
        else if (!item.change && item.className === 'only-b' && item.kind >= 0) visit(item.kind, item.raw, j);
      });
    },
    valueOf: (kind, raw) => shownValue(c, kind, raw),
    summaryOf: (items) => summaryOf(c, items),
  };
}
