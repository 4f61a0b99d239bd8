'use strict';
// The hall table and the alarm list, kept up to date by the station's event stream.
(function () {
  const page = document.body.dataset.page;
  const $ = (id) => document.getElementById(id);
  let kolT = 0;

  // Captions of the cells, shown beside each value when a narrow screen lays rows out as cards.
  const labels = {t1: 'T1', t2: 'T2', t3: 'T3', humidity: 'Влажн.', trays: 'Лотки', link: 'Связь',
                  when: 'Последний ответ'};

  function cell(tr, key, cls) {
    let td = tr.querySelector('[data-k="' + key + '"]');
    if (!td) {
      td = document.createElement('td');
      td.dataset.k = key;
      if (labels[key]) td.dataset.label = labels[key];
      if (cls) td.className = cls;
      tr.appendChild(td);
    }
    return td;
  }

  function setText(td, text, zone) {
    if (td.textContent !== text) td.textContent = text;
    if (text.startsWith('??')) zone = 'within';  // a faulty sensor has no value to judge
    td.classList.toggle('below', zone === 'below');
    td.classList.toggle('above', zone === 'above');
  }

  function columns() {
    const names = ['№', 'Инкубатор', 'T1'];
    if (kolT >= 1) names.push('T2');
    if (kolT >= 2) names.push('T3');
    names.push('Влажн.', 'Лотки', 'Аварии', 'Связь', 'Последний ответ');
    const head = $('head');
    head.textContent = '';
    names.forEach((n, i) => {
      const th = document.createElement('th');
      th.textContent = n;
      if (i === names.length - 1) th.className = 'when';
      head.appendChild(th);
    });
  }

  function showRow(r) {
    let tr = document.getElementById('row-' + r.row);
    if (!tr) {
      tr = document.createElement('tr');
      tr.id = 'row-' + r.row;
      $('rows').appendChild(tr);
    }
    tr.className = (r.link ? 'linked' : 'lost') + (r.polled ? '' : ' off');
    setText(cell(tr, 'number', 'num'), String(r.number));
    setText(cell(tr, 'name', 'name'), r.name);
    setText(cell(tr, 't1', 'num'), r.answered ? r.t1 : '', r.z1);
    if (kolT >= 1) setText(cell(tr, 't2', 'num'), r.answered ? r.t2 : '', r.z2);
    if (kolT >= 2) setText(cell(tr, 't3', 'num'), r.answered ? r.t3 : '', r.z3);
    setText(cell(tr, 'humidity', 'num'), r.answered ? r.humidity : '', r.zh);
    setText(cell(tr, 'trays'), r.answered ? r.trays : '');
    const alarms = cell(tr, 'alarms');
    const captions = r.alarms.map((a) => a.caption).join('|');
    if (alarms.dataset.c !== captions) {
      alarms.dataset.c = captions;
      alarms.textContent = '';
      r.alarms.forEach((a) => {
        const s = document.createElement('span');
        s.className = 'alarm';
        s.textContent = a.caption;
        alarms.appendChild(s);
      });
    }
    setText(cell(tr, 'link'), !r.polled ? 'не опрашивается' : r.link ? 'есть' : 'нет');
    setText(cell(tr, 'when', 'when'), r.lastAnswer);
  }

  function showHall(h) {
    document.title = h.title;
    $('title').textContent = h.title;
    if (page !== 'hall') return;
    kolT = h.kolT;
    columns();
    $('rows').textContent = '';
    h.rows.forEach(showRow);
    $('answers').textContent = String(h.answers);
  }

  function showEvents(list, fresh) {
    if (page !== 'alarms') return;
    const ol = $('events');
    if (fresh) ol.textContent = '';
    // The list comes newest first; each is put above what is shown already.
    for (let i = list.length - 1; i >= 0; --i) {
      const e = list[i];
      if (document.getElementById('ev-' + e.seq)) continue;
      const li = document.createElement('li');
      li.id = 'ev-' + e.seq;
      li.className = e.raised ? 'raised' : 'cleared';
      const time = document.createElement('span');
      time.className = 'time';
      time.textContent = e.time;
      const what = document.createElement('span');
      what.className = 'what';
      what.textContent = e.caption;
      const text = document.createElement('span');
      text.textContent = ' — ' + (e.raised ? (e.atFirstAnswer ? 'была при первом ответе' :
          'возникла') : 'снята') + ', инкубатор ' + e.number + (e.name ? ' «' + e.name + '»' : '');
      li.append(time, what, text);
      ol.insertBefore(li, ol.firstChild);
    }
    $('none').hidden = ol.childElementCount > 0;
  }

  function connect() {
    const es = new EventSource('/api/events');
    es.addEventListener('open', () => {
      $('state').textContent = 'на связи';
      $('state').className = 'online';
    });
    es.addEventListener('error', () => {
      $('state').textContent = 'нет связи со станцией';
      $('state').className = 'offline';
    });
    es.addEventListener('hall', (m) => showHall(JSON.parse(m.data)));
    es.addEventListener('rows', (m) => {
      if (page !== 'hall') return;
      const d = JSON.parse(m.data);
      d.rows.forEach(showRow);
      $('answers').textContent = String(d.answers);
    });
    let first = true;
    es.addEventListener('alarms', (m) => {
      showEvents(JSON.parse(m.data), first);
      first = false;
    });
    es.addEventListener('hall', () => { first = true; });
  }

  connect();
})();
