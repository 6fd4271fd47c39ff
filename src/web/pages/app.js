// The web console: one page, a login form and the views of the window's
// everyday work. Everything shown from the server goes in as text
// (textContent), never as markup.
'use strict';

(function () {
  const state = {
    csrf: '',
    user: '',
    view: '',
    liveAfter: 0,
    liveTimer: 0,
    query: null, // the parameters of the last 查询
    queryPage: 1,
    queryPages: 0,
  };

  // The live list keeps this many calls, newest on top.
  const LIVE_ROWS = 100;
  // Columns of money, aligned like figures.
  const MONEY = new Set(['通话费', '服务费', '附加费', '金额', '话费', '结帐金额', '合计', '押金']);

  const $ = (id) => document.getElementById(id);

  class SessionLapsed extends Error {}

  // --- talking to the server ------------------------------------------------

  // quiet: a 401 only shows the login form (the first visit has no session).
  async function api(method, path, body, quiet) {
    const headers = { Accept: 'application/json' };
    const init = { method, headers, credentials: 'same-origin', cache: 'no-store' };
    if (method !== 'GET') {
      headers['Content-Type'] = 'application/json';
      if (state.csrf) headers['X-CSRF-Token'] = state.csrf;
      init.body = JSON.stringify(body || {});
    }
    let response;
    try {
      response = await fetch(path, init);
    } catch (e) {
      throw new Error('无法连接计费服务器');
    }
    let data = null;
    try {
      data = await response.json();
    } catch (e) {
      data = null;
    }
    if (response.status === 401 && path !== '/api/login') {
      lapse(quiet ? '' : data && data.error);
      throw new SessionLapsed();
    }
    if (!response.ok) throw new Error((data && data.error) || '服务器错误 ' + response.status);
    return data || {};
  }

  // A file from the server saved under its own name; an error answer
  // (no report yet, a bad period) is said on the page instead.
  async function download(url, fallbackName) {
    let response;
    try {
      response = await fetch(url, { credentials: 'same-origin', cache: 'no-store' });
    } catch (e) {
      say('无法连接计费服务器');
      return;
    }
    if (!response.ok) {
      let text = '服务器错误 ' + response.status;
      try {
        text = (await response.json()).error || text;
      } catch (e) {
        /* not JSON: keep the status */
      }
      if (response.status === 401) lapse(text);
      else say(text);
      return;
    }
    say('');
    const blob = await response.blob();
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = fileName(response.headers.get('Content-Disposition')) || fallbackName;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  function fileName(disposition) {
    if (!disposition) return '';
    const utf8 = /filename\*\s*=\s*UTF-8''([^;]+)/i.exec(disposition);
    if (utf8) {
      try {
        return decodeURIComponent(utf8[1]);
      } catch (e) {
        /* fall through to the plain name */
      }
    }
    const plain = /filename\s*=\s*"?([^";]+)"?/i.exec(disposition);
    return plain ? plain[1] : '';
  }

  // --- messages ---------------------------------------------------------------

  function say(text) {
    const box = $('message');
    box.textContent = text;
    box.hidden = !text;
  }

  function failed(error) {
    if (!(error instanceof SessionLapsed)) say(error.message);
  }

  // --- login ------------------------------------------------------------------

  function showLogin() {
    stopLive();
    state.csrf = '';
    state.user = '';
    $('app-view').hidden = true;
    $('who').hidden = true;
    $('login-view').hidden = false;
    $('login-password').value = '';
    $('login-user').focus();
  }

  // The session ended on the server (an hour without use, a logout
  // elsewhere): back to the form, with the server's words.
  function lapse(text) {
    showLogin();
    say(text || '');
  }

  function showApp(answer) {
    state.csrf = answer.csrf;
    state.user = answer.user;
    $('user-name').textContent = answer.user;
    $('who').hidden = false;
    $('login-view').hidden = true;
    $('app-view').hidden = false;
    show(state.view || 'live');
  }

  async function login(event) {
    event.preventDefault();
    say('');
    $('login-submit').disabled = true;
    try {
      const answer = await api('POST', '/api/login', {
        user: $('login-user').value,
        password: $('login-password').value,
      });
      showApp(answer);
    } catch (e) {
      $('login-password').value = '';
      failed(e);
    } finally {
      $('login-submit').disabled = false;
    }
  }

  async function logout() {
    try {
      await api('POST', '/api/logout', {});
    } catch (e) {
      if (e instanceof SessionLapsed) return;
    }
    say('');
    showLogin();
  }

  // --- views ------------------------------------------------------------------

  function show(view) {
    state.view = view;
    say('');
    for (const tab of document.querySelectorAll('.tab')) {
      const on = tab.dataset.view === view;
      tab.setAttribute('aria-current', on ? 'page' : 'false');
      $(tab.dataset.view + '-view').hidden = !on;
    }
    stopLive();
    if (view === 'live') startLive();
    else if (view === 'alerts') loadAlerts();
    else if (view === 'stays') loadStays();
  }

  // Heading cells: the server's column names.
  function head(table, keys) {
    const row = document.createElement('tr');
    for (const key of keys) {
      const cell = document.createElement('th');
      cell.scope = 'col';
      cell.textContent = key;
      row.appendChild(cell);
    }
    table.tHead.replaceChildren(row);
  }

  function cell(row, key, value) {
    const td = document.createElement('td');
    td.textContent = value === null || value === undefined ? '' : String(value);
    if (MONEY.has(key)) td.className = 'num';
    row.appendChild(td);
    return td;
  }

  // The order of the columns as the window lists and prints them (a JSON
  // object's keys come in any order); a column not named here follows in
  // the order the server gave it.
  const CALL_COLUMNS = [
    '服务', '主叫号', '被叫号', '日期', '时间', '时长', '通话时长', '费率', '计费单位数', '通话费', '服务费', '附加费',
    '金额', '通达地', '描述', '统计类型',
  ];
  const ALERT_COLUMNS = [
    '主叫号', '被叫号', '日期', '时间', '通话时长', '话费', '规则编号', '规则名称', '告警说明', '告警时间',
    '确认人', '确认时间',
  ];
  const STAY_COLUMNS = [
    '房间号', '分机号', '旅客姓名', '入住日期', '入住时间', '分机级别描述', '结帐金额', '服务费', '合计', '押金',
  ];

  function keysOf(rows, order, skip) {
    const keys = [];
    for (const row of rows)
      for (const key of Object.keys(row)) if (!keys.includes(key) && !(skip || []).includes(key)) keys.push(key);
    const rank = (key) => {
      const at = order.indexOf(key);
      return at < 0 ? order.length + keys.indexOf(key) : at;
    };
    return keys.sort((a, b) => rank(a) - rank(b));
  }

  function rowOf(keys, values) {
    const row = document.createElement('tr');
    for (const key of keys) cell(row, key, values[key]);
    return row;
  }

  function empty(table, columns, text) {
    const row = document.createElement('tr');
    const td = document.createElement('td');
    td.colSpan = Math.max(1, columns);
    td.className = 'empty';
    td.textContent = text;
    row.appendChild(td);
    table.tBodies[0].replaceChildren(row);
  }

  // --- 已收到的呼叫: the calls as they are stored, the collectors beside them

  let liveKeys = [];

  function startLive() {
    pollLive();
  }

  function stopLive() {
    clearTimeout(state.liveTimer);
    state.liveTimer = 0;
  }

  async function pollLive() {
    stopLive();
    try {
      const [live, status] = await Promise.all([
        api('GET', '/api/live?after=' + state.liveAfter),
        api('GET', '/api/status'),
      ]);
      addLive(live);
      showPorts(status.collectors || []);
    } catch (e) {
      if (e instanceof SessionLapsed) return;
      failed(e);
    }
    if (state.view === 'live' && !$('app-view').hidden) state.liveTimer = setTimeout(pollLive, 1000);
  }

  function addLive(live) {
    const calls = live.calls || [];
    if (typeof live.newest === 'number') state.liveAfter = live.newest;
    if (!calls.length) return;
    const table = $('live-table');
    const keys = keysOf(calls, CALL_COLUMNS, ['序号']);
    if (keys.some((key) => !liveKeys.includes(key))) {
      liveKeys = keysOf([Object.fromEntries(liveKeys.concat(keys).map((key) => [key, '']))], CALL_COLUMNS);
      head(table, liveKeys);
      // Rows listed before keep their cells under the new headings.
      for (const row of [...table.tBodies[0].rows]) row.remove();
    }
    const body = table.tBodies[0];
    // Stored order: the newest last, so each goes on top in turn.
    for (const call of calls) {
      const row = rowOf(liveKeys, call);
      row.className = 'fresh';
      body.insertBefore(row, body.firstChild);
    }
    while (body.rows.length > LIVE_ROWS) body.deleteRow(-1);
  }

  function showPorts(collectors) {
    const list = $('ports');
    const items = collectors.map((c) => {
      const item = document.createElement('li');
      const name = document.createElement('span');
      name.className = 'port-name';
      name.textContent = c.name;
      // As the window's status bar says it: a collector that stopped
      // beating leaves the port's state unknown.
      const stateText = document.createElement('span');
      stateText.className = 'port-state';
      stateText.textContent = '串口' + c.port + ' ' + (c.fresh === false ? '采集服务没有应答' : c.state);
      item.append(name, ' ', stateText);
      if (c.seen) item.title = '最后应答 ' + c.seen;
      return item;
    });
    if (!items.length) {
      const item = document.createElement('li');
      item.textContent = '没有采集服务';
      items.push(item);
    }
    list.replaceChildren(...items);
  }

  // --- 按日期查询: detail bills ---------------------------------------------

  function queryString(params, page) {
    const search = new URLSearchParams();
    for (const [key, value] of Object.entries(params)) if (value) search.set(key, value);
    if (page) search.set('page', String(page));
    return search.toString();
  }

  function chineseDate(iso) {
    const [y, m, d] = iso.split('-');
    return y + '年' + m + '月' + d + '日';
  }

  async function runQuery(event) {
    event.preventDefault();
    say('');
    state.query = {
      extension: $('query-extension').value.trim(),
      department: $('query-department').value.trim(),
      from: $('query-from').value,
      to: $('query-to').value,
    };
    await showQueryPage(1);
  }

  async function showQueryPage(page) {
    if (!state.query) {
      say('请先查询!');
      return;
    }
    let answer;
    try {
      answer = await api('GET', '/api/calls?' + queryString(state.query, page));
    } catch (e) {
      failed(e);
      return;
    }
    say('');
    const calls = answer.calls || [];
    state.queryPage = answer.page || page;
    state.queryPages = answer.pages || 0;
    const table = $('query-table');
    const keys = keysOf(calls, CALL_COLUMNS);
    head(table, keys);
    if (calls.length) table.tBodies[0].replaceChildren(...calls.map((call) => rowOf(keys, call)));
    else empty(table, keys.length, '没有符合条件的话单');
    $('query-heading').textContent =
      '话费详单 ' + chineseDate(state.query.from) + ' 至 ' + chineseDate(state.query.to);
    $('query-subtotal').textContent = answer.subtotal || '0.00';
    $('query-total').textContent = answer.total || '0.00';
    $('query-page').textContent = '第' + state.queryPage + '页 / 共' + state.queryPages + '页';
    $('query-first').disabled = state.queryPage <= 1;
    $('query-previous').disabled = state.queryPage <= 1;
    $('query-next').disabled = state.queryPage >= state.queryPages;
    const files = queryString(state.query);
    $('query-pdf').href = '/api/calls.pdf?' + files;
    $('query-xlsx').href = '/api/calls.xlsx?' + files;
    $('query-result').hidden = false;
  }

  // --- 告警记录 ------------------------------------------------------------

  const ALERT_SKIP = ['id', 'acknowledged', 'by', 'at'];

  async function loadAlerts() {
    let answer;
    try {
      answer = await api('GET', '/api/alerts?state=' + $('alerts-state').value);
    } catch (e) {
      failed(e);
      return;
    }
    showAlerts(answer);
  }

  // The button first, where a phone shows it without scrolling the row.
  function showAlerts(answer) {
    const alerts = answer.alerts || [];
    showAlertCount(answer.open);
    const table = $('alerts-table');
    const keys = keysOf(alerts, ALERT_COLUMNS, ALERT_SKIP);
    head(table, ['确认'].concat(keys));
    if (!alerts.length) {
      empty(table, keys.length + 1, '没有告警');
      return;
    }
    table.tBodies[0].replaceChildren(
      ...alerts.map((alert) => {
        const row = rowOf(keys, alert);
        const td = document.createElement('td');
        if (!alert.acknowledged) {
          const button = document.createElement('button');
          button.type = 'button';
          button.textContent = '确认';
          button.setAttribute('aria-label', '确认告警 ' + alert['主叫号'] + ' ' + alert['被叫号']);
          button.dataset.alert = String(alert.id);
          td.appendChild(button);
        }
        row.insertBefore(td, row.firstChild);
        return row;
      })
    );
  }

  function showAlertCount(open) {
    $('alerts-count').textContent = typeof open === 'number' ? '未确认告警 ' + open + ' 条' : '';
  }

  async function acknowledge(event) {
    const button = event.target.closest('button[data-alert]');
    if (!button) return;
    button.disabled = true;
    try {
      const answer = await api('POST', '/api/alerts/' + encodeURIComponent(button.dataset.alert) + '/ack', {});
      showAlertCount(answer.open);
      say('');
    } catch (e) {
      failed(e);
    }
    await loadAlerts();
  }

  // --- 查看宾馆登记情况: open stays ------------------------------------------

  async function loadStays() {
    let answer;
    try {
      answer = await api('GET', '/api/stays');
    } catch (e) {
      failed(e);
      return;
    }
    const stays = answer.stays || [];
    const table = $('stays-table');
    const keys = keysOf(stays, STAY_COLUMNS, ['over']);
    head(table, ['押金状态'].concat(keys));
    if (!stays.length) {
      empty(table, keys.length + 1, '没有未结帐的住客');
      return;
    }
    table.tBodies[0].replaceChildren(
      ...stays.map((stay) => {
        const row = rowOf(keys, stay);
        const td = document.createElement('td');
        if (stay.over) {
          td.textContent = '押金已用完';
          td.className = 'over-mark';
          row.className = 'over';
        }
        row.insertBefore(td, row.firstChild);
        return row;
      })
    );
  }

  // --- start ---------------------------------------------------------------

  function today() {
    const now = new Date();
    const pad = (n) => String(n).padStart(2, '0');
    return now.getFullYear() + '-' + pad(now.getMonth() + 1) + '-' + pad(now.getDate());
  }

  async function start() {
    $('login-form').addEventListener('submit', login);
    $('logout').addEventListener('click', logout);
    for (const tab of document.querySelectorAll('.tab')) tab.addEventListener('click', () => show(tab.dataset.view));
    $('query-form').addEventListener('submit', runQuery);
    $('query-first').addEventListener('click', () => showQueryPage(1));
    $('query-previous').addEventListener('click', () => showQueryPage(state.queryPage - 1));
    $('query-next').addEventListener('click', () => showQueryPage(state.queryPage + 1));
    for (const id of ['query-pdf', 'query-xlsx']) {
      $(id).addEventListener('click', (event) => {
        event.preventDefault();
        const link = event.currentTarget;
        download(link.getAttribute('href'), id === 'query-pdf' ? '电话费详单.pdf' : '电话费详单.xlsx');
      });
    }
    for (const link of document.querySelectorAll('.downloads a')) {
      link.addEventListener('click', (event) => {
        event.preventDefault();
        const href = link.getAttribute('href');
        download(href, href.split('/').pop());
      });
    }
    // A new call is highlighted once, not again each time the view is shown.
    $('live-table').addEventListener('animationend', (event) => event.target.classList.remove('fresh'));
    $('alerts-state').addEventListener('change', loadAlerts);
    $('alerts-table').addEventListener('click', acknowledge);

    const first = today().slice(0, 8) + '01';
    $('query-from').value = first;
    $('query-to').value = today();

    try {
      showApp(await api('GET', '/api/session', null, true));
    } catch (e) {
      if (!(e instanceof SessionLapsed)) {
        showLogin();
        failed(e);
      }
    }
  }

  document.addEventListener('DOMContentLoaded', start);
})();
