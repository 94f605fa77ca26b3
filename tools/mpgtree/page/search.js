// The search of the page of mpgtree html: the values of the rows shown, A's and B's, that hold
// a text, and going from one to the next. Works on the view of page.js (makeView).

const MATCH_LIMIT = 1000000;

/** Finds the values holding the query in the rows shown, A's and B's. */
function search(v, query) {
  'use strict';
  v.searched = query;
  const wanted = query.trim().toLowerCase();
  v.matches = [];
  v.matchesByRow = new Map();
  v.current = -1;
  v.currentKey = '';
  if (wanted) {
    const strings = v.page.strings;
    const hitStrings = new Uint8Array(strings.length);
    for (let i = 0; i < strings.length; i++) if (strings[i].toLowerCase().includes(wanted)) hitStrings[i] = 1;
    const numeric = /^-?[0-9]+$/.test(wanted);
    for (const index of v.order) {
      const visit = (kind, value, valueAt) => {
        const hit = kind === v.page.INTEGER ? numeric && String(value).includes(wanted) : kind !== v.page.BOOLEAN && hitStrings[value];
        if (hit) {
          v.matches.push([index, valueAt]);
          if (!v.matchesByRow.has(index)) v.matchesByRow.set(index, new Set([-1]));
          v.matchesByRow.get(index).add(valueAt);
        }
        return v.matches.length < MATCH_LIMIT;
      };
      v.page.forEachValue(index, visit);
      // B's values of a changed row are known by their item's place: "b" and the place.
      if (v.matches.length < MATCH_LIMIT) v.page.forEachValueOfB(index, (kind, value, j) => visit(kind, value, 'b' + j));
    }
  }
  showCount(v);
  render(v);
}

function showCount(v) {
  'use strict';
  const count = v.$('count');
  const matches = v.matches;
  if (!v.searched.trim()) count.textContent = '';
  else if (!matches.length) count.textContent = 'no match';
  else
    count.textContent =
      (v.current >= 0 ? v.current + 1 + ' of ' : '') +
      matches.length + (matches.length >= MATCH_LIMIT ? '+' : '') + ' matches in ' + v.matchesByRow.size + ' rows';
}

/** Opens the row of match m and scrolls its field into the middle of the view. */
function goToMatch(v, m) {
  'use strict';
  if (!v.matches.length) return;
  v.current = (m + v.matches.length) % v.matches.length;
  const [index, valueAt] = v.matches[v.current];
  v.currentKey = index + ':' + valueAt;
  if (!v.open.has(index)) {
    v.open.add(index);
    layout(v);
  }
  const k = v.order.indexOf(index);
  const j =
    typeof valueAt === 'string' ? Number(valueAt.slice(1)) : itemsOf(v, index).findIndex((item) => item.valueAt === valueAt);
  centerLine(v, v.starts[k] + 1 + Math.max(j, -1));
  showCount(v);
  render(v);
}

function centerLine(v, line) {
  'use strict';
  v.viewport.scrollTop = Math.max(0, line * LINE - v.viewport.clientHeight / 2);
}

function stepMatch(v, forward) {
  'use strict';
  if (v.searchBox.value !== v.searched) search(v, v.searchBox.value);
  goToMatch(v, v.current < 0 ? (forward ? 0 : -1) : v.current + (forward ? 1 : -1));
}
