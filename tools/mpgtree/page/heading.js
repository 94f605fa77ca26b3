// The top of the page of mpgtree html: the damaged-dump banner, the comparison's counts and the
// manager's fields. Values from the dump are set as text, never as markup.

/**
 * Fills the top of the page from its data (see data.js); answers the manager's field elements
 * by the place of their item (none when the dump has no manager).
 */
// eslint-disable-next-line no-unused-vars
function showHeading(page) {
  'use strict';

  const $ = (id) => document.getElementById(id);

  /** Makes an element with a class and a text. */
  function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  }

  function appendValue(into, kind, raw) {
    const value = page.valueOf(kind, raw);
    into.appendChild(element('span', value.className || '', value.text));
  }

  /** Says which dumps were damaged, read with --lenient. */
  function showDamage() {
    const section = $('damage');
    for (const damage of page.damage) {
      const faults = damage.faults + (damage.faults === 1 ? ' fault' : ' faults');
      let what = damage.name + ' is damaged (read with --lenient): ' + faults + ', the first ' +
        (damage.firstFaultLine ? 'at line ' + damage.firstFaultLine + ': ' : ': ') + damage.firstFault;
      if (damage.rawLines)
        what += '; ' + damage.rawLines + (damage.rawLines === 1 ? ' line' : ' lines') + ' could not be placed and ' +
          (damage.rawLines === 1 ? 'is' : 'are') + ' not shown, the first is line ' + damage.firstLine + ': ';
      const line = element('div', '', what);
      if (damage.rawLines) line.appendChild(element('code', '', damage.firstText));
      line.title = what + (damage.rawLines ? damage.firstText : '');
      section.appendChild(line);
    }
    section.hidden = !page.damage.length;
  }

  /** The comparison's counts, as the report gives them. */
  function showCounts() {
    const labels = {
      changedRows: 'rows changed', onlyInA: 'only in A', onlyInB: 'only in B',
      fieldsChanged: 'fields changed', notCompared: 'fields not compared', ignored: 'fields ignored',
    };
    const box = $('counts');
    for (const [key, count] of page.counts || []) {
      const item = element('span', 'count');
      item.dataset.key = key;
      item.append((labels[key] || key) + ' ');
      item.append(element('b', '', String(count)));
      box.append(item);
    }
    box.hidden = false;
  }

  /** The manager's fields, A→B where they changed. */
  function showManager() {
    const section = $('manager');
    const items = page.managerItems();
    if (!items) {
      section.hidden = true;
      return [];
    }
    return items.map((item) => {
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
      return made;
    });
  }

  showDamage();
  if (page.isDiff && !page.same) showCounts();
  return showManager();
}
