'use strict';
// The hall table, the alarm list and the alarm history, kept up to date by the station's event
// stream; the alarms can be acknowledged with the access token.
(function () {
  const page = document.body.dataset.page;
  const $ = (id) => document.getElementById(id);
  let kolT = 0;
  let title = document.title;
  let active = {unacknowledged: 0, alarms: []};

  // The access token, when the page was opened with ?token=: kept by the browser for this
  // station and taken out of the address, so that it is not left in a bookmark or a screen.
  const tokenKey = 'vetrostan_token';
  const params = new URLSearchParams(location.search);
  if (params.get('token')) {
    localStorage.setItem(tokenKey, params.get('token'));
    params.delete('token');
    const rest = params.toString();
    history.replaceState(null, '', location.pathname + (rest ? '?' + rest : ''));
  }
  const needToken = 'Квитирование только с ключом доступа: откройте страницу по адресу с ' +
      '?token=КЛЮЧ (ключ в файле настроек Vetrostan.INI, раздел [Web], ключ Token).';

  function note(text, ok) {
    $('note').textContent = text;
    $('note').className = ok ? 'ok' : '';
    $('note').hidden = !text;
  }

  // The one change the page can make. The token goes in the Authorization header, which no
  // page of another site can add.
  function acknowledge(what) {
    const token = localStorage.getItem(tokenKey);
    if (!token) {
      note(needToken);
      return;
    }
    fetch('/api/alarms/ack', {
      method: 'POST',
      headers: {'Authorization': 'Bearer ' + token, 'Content-Type': 'application/json'},
      body: JSON.stringify(what),
    }).then((r) => r.text().then((text) => {
      if (r.status === 200) {
        note('Квитировано аварий: ' + JSON.parse(text).acknowledged, true);
      } else if (r.status === 401) {
        localStorage.removeItem(tokenKey);
        note(needToken);
      } else {
        note(text.trim() || 'Ошибка ' + r.status);
      }
    })).catch(() => note('Нет связи со станцией: квитирование не передано.'));
  }

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
    let caps = alarms.querySelector('.caps');
    if (!caps) {
      caps = document.createElement('span');
      caps.className = 'caps';
      alarms.appendChild(caps);
    }
    const captions = r.alarms.map((a) => a.caption).join('|');
    if (caps.dataset.c !== captions) {
      caps.dataset.c = captions;
      caps.textContent = '';
      r.alarms.forEach((a) => {
        const s = document.createElement('span');
        s.className = 'alarm';
        s.textContent = a.caption;
        caps.appendChild(s);
      });
    }
    tr.dataset.number = String(r.number);
    showAckButton(tr);
    setText(cell(tr, 'link'), !r.polled ? 'не опрашивается' : r.link ? 'есть' : 'нет');
    setText(cell(tr, 'when', 'when'), r.lastAnswer);
  }

  function waitingAt(number) {
    return active.alarms.filter((a) => a.number === number &&
        (a.state === 'active-unacknowledged' || a.state === 'cleared-unacknowledged')).length;
  }

  // An incubator with alarms that wait gets its button in the alarm cell.
  function showAckButton(tr) {
    const number = Number(tr.dataset.number);
    const cellOf = tr.querySelector('[data-k="alarms"]');
    let b = cellOf.querySelector('button.ack');
    const waiting = waitingAt(number);
    if (!waiting) {
      if (b) b.remove();
      return;
    }
    if (!b) {
      b = document.createElement('button');
      b.type = 'button';
      b.className = 'ack';
      b.textContent = 'Квитировать';
      b.addEventListener('click', () => acknowledge({number: number}));
      cellOf.appendChild(b);
    }
    b.title = 'Ждут квитирования: ' + waiting;
  }

  const stateText = {
    'active-unacknowledged': 'активна, не квитирована',
    'active-acknowledged': 'активна, квитирована',
    'cleared-unacknowledged': 'снята, не квитирована',
    'shelved': 'отложена',
  };
  const activeLabels = ['Возникла', '№', 'Инкубатор', 'Авария', 'Состояние', 'Квитирована', 'Кем'];

  function showTitle() {
    const n = active.unacknowledged;
    document.title = (n ? '(' + n + ') ' : '') + title;
    $('waiting').textContent = n ? 'Ждут квитирования: ' + n : '';
    $('waiting').className = n ? 'some' : '';
    $('ack-all').hidden = !n;
  }

  function showActive(list) {
    active = list;
    showTitle();
    if (page === 'hall') {
      document.querySelectorAll('#rows tr').forEach(showAckButton);
      return;
    }
    const body = $('active-rows');
    body.textContent = '';
    list.alarms.forEach((a) => {
      const tr = document.createElement('tr');
      tr.className = a.state;
      const state = stateText[a.state] + (a.state === 'shelved' && a.shelvedUntil ?
          ' до ' + a.shelvedUntil : '');
      [a.raised, String(a.number || ''), a.name || (a.number ? '' : 'Станция'), a.caption, state,
       a.acknowledged, a.by].forEach((text, i) => {
        const td = document.createElement('td');
        td.textContent = text;
        td.dataset.label = activeLabels[i];
        tr.appendChild(td);
      });
      body.appendChild(tr);
    });
    $('active').hidden = list.alarms.length === 0;
    $('no-active').hidden = list.alarms.length > 0;
  }

  function showHall(h) {
    title = h.title;
    showTitle();
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
    es.addEventListener('active', (m) => showActive(JSON.parse(m.data)));
  }

  $('ack-all').addEventListener('click', () => acknowledge({all: true}));
  connect();
})();
