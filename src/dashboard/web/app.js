// The supervisor's dashboard: four pages drawn from /api/…, refreshed every second. Every value
// from the records reaches the page through textContent, never as markup.
'use strict';

const TEXTS = {
  zh: {
    title: '产线看板', floor: '产线', failures: '失败分析', units: '设备记录', unit: '设备',
    passed: '合格', failed: '不合格', skipped: '跳过', yield: '直通率', perHour: '每小时',
    last: '最后一台', quiet: '已停顿', minutes: '分钟', total: '全线合计', noUnits: '这段时间没有记录',
    shiftStart: '班次开始', lastHours: '最近 8 小时', apply: '应用',
    kind: '失败类型', count: '次数', share: '占比', stations: '工位', other: '其他',
    value: '发放的值', identity: '设备标识', port: '端口', station: '工位', result: '结果', all: '全部',
    from: '从', to: '到', search: '查找', csv: '导出 CSV', next: '下一页', first: '第一页',
    time: '时间', values: '发放的值', failure: '失败原因', golden: '标准配置', version: '版本',
    param: '参数', written: '写入', read: '读回', same: '一致', differs: '不一致', attempts: '次记录',
    everyAttempt: '设备的全部记录', noAttempts: '没有这台设备的记录', reused: '（原已发放）',
    dbSilent: '数据库没有应答：', updated: '更新于', failedToLoad: '无法读取：', hourChart: '每小时合格/不合格',
    seconds: '秒',
  },
  en: {
    title: 'Production floor', floor: 'Floor', failures: 'Failures', units: 'Units', unit: 'Unit',
    passed: 'Passed', failed: 'Failed', skipped: 'Skipped', yield: 'First-pass yield', perHour: 'Units/h',
    last: 'Last unit', quiet: 'Quiet for', minutes: 'min', total: 'Whole floor', noUnits: 'No records in this span',
    shiftStart: 'Shift start', lastHours: 'Last 8 h', apply: 'Apply',
    kind: 'Kind', count: 'Count', share: 'Share', stations: 'Stations', other: 'Other',
    value: 'Value given', identity: 'Identity', port: 'Port', station: 'Station', result: 'Result', all: 'All',
    from: 'From', to: 'To', search: 'Search', csv: 'Export CSV', next: 'Next page', first: 'First page',
    time: 'Time', values: 'Values given', failure: 'Failure', golden: 'Golden', version: 'Version',
    param: 'Parameter', written: 'Written', read: 'Read back', same: 'same', differs: 'differs', attempts: 'attempt(s)',
    everyAttempt: 'Every attempt of unit', noAttempts: 'No record of this unit', reused: ' (given before)',
    dbSilent: 'The database does not answer: ', updated: 'Updated', failedToLoad: 'Cannot load: ', hourChart: 'Passed/failed per hour',
    seconds: 's',
  },
};

const params = new URLSearchParams(location.search);
const LANG = (() => {
  const asked = params.get('lang');
  if (asked === 'en' || asked === 'zh') return asked;
  const browser = (navigator.languages && navigator.languages[0]) || navigator.language || '';
  return browser.toLowerCase().startsWith('en') ? 'en' : 'zh';
})();
const T = TEXTS[LANG];
const PAGE = { '/': 'floor', '/failures': 'failures', '/units': 'units', '/unit': 'unit' }[location.pathname] || 'floor';
const REFRESH_MS = 1000;

// --- small DOM helpers: text only ---
function el(tag, attrs, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs || {})) {
    if (v === undefined || v === null || v === false) continue;
    if (k === 'class') e.className = v;
    else if (k === 'text') e.textContent = v;
    else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
    else e.setAttribute(k, v === true ? '' : String(v));
  }
  for (const c of children) if (c !== null && c !== undefined) e.append(c instanceof Node ? c : document.createTextNode(String(c)));
  return e;
}
function svg(tag, attrs, ...children) {
  const e = document.createElementNS('http://www.w3.org/2000/svg', tag);
  for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, String(v));
  for (const c of children) e.append(c);
  return e;
}
function pad(n) { return String(n).padStart(2, '0'); }
function localTime(iso, withDate = true) {
  if (!iso) return '';
  const d = new Date(iso);
  const t = `${pad(d.getHours())}:${pad(d.getMinutes())}:${pad(d.getSeconds())}`;
  return withDate ? `${d.getFullYear()}-${pad(d.getMonth() + 1)}-${pad(d.getDate())} ${t}` : t;
}
function iso(text) {
  const d = new Date(text);
  return isNaN(d) ? null : d.toISOString();
}
function localInput(d) {
  return `${d.getFullYear()}-${pad(d.getMonth() + 1)}-${pad(d.getDate())}T${pad(d.getHours())}:${pad(d.getMinutes())}`;
}
function percent(x) { return x === null || x === undefined ? '—' : `${(x * 100).toFixed(1)} %`; }
function resultText(r) { return { passed: T.passed, failed: T.failed, skipped: T.skipped }[r] || r; }
function link(path, query, text) {
  const q = new URLSearchParams(query);
  if (params.get('lang')) q.set('lang', params.get('lang'));
  const s = q.toString();
  return el('a', { href: s ? `${path}?${s}` : path, text });
}
function pageUrl(path, query) {
  const q = new URLSearchParams(query);
  if (params.get('lang')) q.set('lang', params.get('lang'));
  return `${path}?${q}`;
}

// --- the span: the shift's start chosen on the floor page, kept in this browser ---
function spanQuery() {
  const q = {};
  const from = params.get('from') || localStorage.getItem('dtucfg.shiftStart');
  if (from && iso(from)) q.from = iso(from);
  if (params.get('to') && iso(params.get('to'))) q.to = iso(params.get('to'));
  return q;
}

// --- fetching: asks with the last ETag; a 304 leaves the page as it is ---
const etags = {};
async function getJson(path) {
  const headers = {};
  if (etags[path]) headers['If-None-Match'] = etags[path].tag;
  const res = await fetch(path, { headers, cache: 'no-store', credentials: 'same-origin' });
  if (res.status === 304) return { same: true, data: etags[path].data };
  if (res.status === 401) { location.href = '/login'; return { same: true, data: null }; }
  const data = await res.json().catch(() => ({ error: `HTTP ${res.status}` }));
  if (!res.ok) {
    const e = new Error(data.error || `HTTP ${res.status}`);
    e.silent = !!data.silent;
    throw e;
  }
  const tag = res.headers.get('ETag');
  if (tag) etags[path] = { tag, data };
  return { same: false, data };
}
function apiUrl(name, query) {
  const q = new URLSearchParams(query);
  q.set('lang', LANG);
  return `/api/${name}?${q}`;
}
function showBanner(text) {
  const b = document.getElementById('banner');
  b.hidden = !text;
  b.textContent = text || '';
}
function markUpdated() {
  document.body.dataset.updated = String(Date.now());
  document.getElementById('updated').textContent = `${T.updated} ${localTime(new Date().toISOString(), false)}`;
}

// --- the floor ---
function hourChart(c, data) {
  const from = new Date(data.from).getTime();
  const end = data.to ? new Date(data.to).getTime() : new Date(data.now).getTime();
  const start = Math.floor(from / 3600000) * 3600000;
  const n = Math.max(1, Math.min(48, Math.ceil((end - start) / 3600000)));
  const first = Math.max(start, Math.floor(end / 3600000) * 3600000 - (n - 1) * 3600000);
  const byHour = new Map(c.hours.map(h => [new Date(h.hour).getTime(), h]));
  let max = 1;
  for (const h of c.hours) max = Math.max(max, h.passed + h.failed);
  const W = 240, H = 60, bw = W / n;
  const g = svg('svg', { viewBox: `0 0 ${W} ${H + 12}`, class: 'chart', role: 'img', 'aria-label': T.hourChart });
  for (let i = 0; i < n; i++) {
    const t = first + i * 3600000;
    const h = byHour.get(t) || { passed: 0, failed: 0 };
    const hp = (h.passed / max) * H, hf = (h.failed / max) * H;
    const title = svg('title');
    title.textContent = `${pad(new Date(t).getHours())}:00  ${T.passed} ${h.passed} / ${T.failed} ${h.failed}`;
    const bar = svg('g', {}, title);
    bar.append(svg('rect', { x: i * bw + 1, y: H - hp, width: Math.max(1, bw - 2), height: hp, class: 'pass' }));
    bar.append(svg('rect', { x: i * bw + 1, y: H - hp - hf, width: Math.max(1, bw - 2), height: hf, class: 'fail' }));
    g.append(bar);
    if (n <= 12 || i % Math.ceil(n / 8) === 0) {
      const label = svg('text', { x: i * bw + bw / 2, y: H + 10, 'text-anchor': 'middle' });
      label.textContent = pad(new Date(t).getHours());
      g.append(label);
    }
  }
  return g;
}
function card(c, data, isTotal) {
  const quietMin = c.last ? Math.floor((new Date(data.now) - new Date(c.last)) / 60000) : 0;
  const name = isTotal ? T.total : c.station;
  const head = isTotal ? el('h2', { text: name }) : el('h2', {}, link('/units', { station: c.station }, name));
  const stat = (key, label, value) => el('div', { class: `stat ${key}` }, el('span', { class: 'label', text: label }),
    el('span', { class: 'value', 'data-key': key, text: value }));
  return el('section', { class: `card${c.quiet ? ' quiet' : ''}${isTotal ? ' total' : ''}`, 'data-station': isTotal ? '' : c.station },
    head,
    c.quiet ? el('p', { class: 'quiet-note', text: `${T.quiet} ${quietMin} ${T.minutes}` }) : null,
    el('div', { class: 'stats' },
      stat('passed', T.passed, c.passed), stat('failed', T.failed, c.failed),
      stat('yield', T.yield, percent(c.yield)), stat('perHour', T.perHour, c.perHour),
      isTotal ? null : stat('last', T.last, localTime(c.last, false))),
    hourChart(c, data));
}
function floorControls() {
  const input = el('input', { type: 'datetime-local', id: 'shift-start' });
  const stored = localStorage.getItem('dtucfg.shiftStart');
  input.value = stored ? localInput(new Date(stored)) : localInput(new Date(Date.now() - 8 * 3600000));
  return el('form', { class: 'controls', onsubmit: (e) => {
      e.preventDefault();
      if (input.value) localStorage.setItem('dtucfg.shiftStart', new Date(input.value).toISOString());
      refresh(true);
    } },
    el('label', { for: 'shift-start', text: T.shiftStart }), input,
    el('button', { type: 'submit', text: T.apply }),
    el('button', { type: 'button', id: 'last-hours', text: T.lastHours, onclick: () => {
      localStorage.removeItem('dtucfg.shiftStart');
      input.value = localInput(new Date(Date.now() - 8 * 3600000));
      refresh(true);
    } }));
}
function drawFloor(main, data) {
  const cards = el('div', { class: 'cards', id: 'cards' }, card(data.total, data, true));
  for (const c of data.stations) cards.append(card(c, data, false));
  const body = el('div', { id: 'floor' }, cards);
  if (data.stations.length === 0) body.append(el('p', { class: 'empty', text: T.noUnits }));
  replaceBody(main, body);
}

// --- failures ---
function drawFailures(main, data) {
  const rows = data.kinds.map(k => el('tr', { 'data-code': k.code },
    el('td', {}, link('/units', { ...spanQuery(), result: 'failed', failure: k.code }, k.code ? k.name : T.other)),
    el('td', { class: 'num', text: k.count }),
    el('td', { class: 'num', text: percent(k.share) }),
    el('td', { class: 'bar' }, el('span', { class: 'share', 'data-share': k.share })),
    el('td', { text: Object.entries(k.stations).map(([s, n]) => `${s} ${n}`).join(' · ') })));
  const table = el('table', { id: 'kinds' },
    el('thead', {}, el('tr', {}, ...[T.kind, T.count, T.share, '', T.stations].map(t => el('th', { text: t })))),
    el('tbody', {}, ...rows));
  const body = el('div', {}, table);
  if (!data.kinds.length) body.append(el('p', { class: 'empty', text: T.noUnits }));
  replaceBody(main, body);
  // Widths by script: the style rules forbid inline style attributes.
  for (const s of main.querySelectorAll('.share')) s.style.width = `${Math.round(Number(s.dataset.share) * 100)}%`;
}

// --- units ---
const FILTERS = ['value', 'unit', 'port', 'station', 'result', 'failure', 'from', 'to'];
function unitsControls() {
  const f = el('form', { class: 'controls search', method: 'get', action: '/units' });
  const field = (name, label, type = 'search') => {
    const v = params.get(name) || '';
    const input = el('input', { type, name, id: `f-${name}`, value: type === 'datetime-local' && iso(v) ? localInput(new Date(v)) : v });
    return el('label', { for: `f-${name}` }, el('span', { text: label }), input);
  };
  const result = el('select', { name: 'result', id: 'f-result' },
    ...[['', T.all], ['passed', T.passed], ['failed', T.failed], ['skipped', T.skipped]].map(([v, t]) =>
      el('option', { value: v, selected: params.get('result') === v && v !== '', text: t })));
  f.append(field('value', T.value), field('unit', T.identity), field('station', T.station), field('port', T.port),
    el('label', { for: 'f-result' }, el('span', { text: T.result }), result),
    field('from', T.from, 'datetime-local'), field('to', T.to, 'datetime-local'));
  if (params.get('failure')) f.append(el('input', { type: 'hidden', name: 'failure', value: params.get('failure') }));
  if (params.get('lang')) f.append(el('input', { type: 'hidden', name: 'lang', value: params.get('lang') }));
  f.append(el('button', { type: 'submit', text: T.search }));
  f.addEventListener('submit', () => { for (const i of f.querySelectorAll('input,select')) if (!i.value) i.disabled = true; });
  const csv = el('a', { id: 'csv', class: 'button', href: apiUrl('units.csv', unitsQuery(false)), text: T.csv, download: 'units.csv' });
  return el('div', {}, f, csv);
}
function unitsQuery(withCursor = true) {
  const q = {};
  for (const k of FILTERS) if (params.get(k)) q[k] = k === 'from' || k === 'to' ? iso(params.get(k)) || params.get(k) : params.get(k);
  if (withCursor && params.get('before')) q.before = params.get('before');
  return q;
}
function valuesText(u) { return u.values.map(([n, v]) => `${n}=${v}`).join('  ') + (u.reused ? T.reused : ''); }
function drawUnits(main, data) {
  const rows = data.units.map(u => el('tr', { class: u.result, 'data-id': u.id },
    el('td', { text: localTime(u.time) }), el('td', { text: u.station }), el('td', { text: u.port }),
    el('td', {}, u.unitId ? link('/unit', { unit: u.unitId }, u.unitId) : ''),
    el('td', { class: 'result', text: resultText(u.result) }),
    el('td', { class: 'values' }, ...u.values.map(([n, v], i) => el('span', {}, i ? '  ' : '', `${n}=`,
      link('/unit', u.unitId ? { unit: u.unitId } : { value: v }, v))), u.reused ? T.reused : ''),
    el('td', { class: 'failure', title: u.failureKind, text: u.failure })));
  const table = el('table', { id: 'units' },
    el('thead', {}, el('tr', {}, ...[T.time, T.station, T.port, T.identity, T.result, T.values, T.failure].map(t => el('th', { text: t })))),
    el('tbody', {}, ...rows));
  const pager = el('p', { class: 'pager' });
  if (params.get('before')) pager.append(link('/units', unitsQuery(false), T.first), ' ');
  if (data.next) pager.append(el('a', { id: 'next', href: pageUrl('/units', { ...unitsQuery(false), before: data.next }), text: T.next }));
  const body = el('div', {}, table, pager);
  if (!data.units.length) body.append(el('p', { class: 'empty', text: T.noUnits }));
  replaceBody(main, body);
}

// --- one unit ---
function drawUnit(main, data) {
  const who = data.unit || data.value;
  const body = el('div', {}, el('h2', { id: 'unit-title' }, `${T.everyAttempt} `, el('span', { class: 'mono', text: who }),
    ` · ${data.attempts.length} ${T.attempts}`));
  for (const a of data.attempts) {
    const params = el('table', { class: 'params' },
      el('thead', {}, el('tr', {}, ...[T.param, T.written, T.read, ''].map(t => el('th', { text: t })))),
      el('tbody', {}, ...a.params.map(p => el('tr', { class: p.same ? 'same' : 'differs' },
        el('td', { text: p.name ? `${p.name} (${p.code})` : p.code }), el('td', { text: p.written }), el('td', { text: p.read }),
        el('td', { text: p.same ? T.same : T.differs })))));
    body.append(el('section', { class: `attempt ${a.result}`, 'data-id': a.id },
      el('h3', {}, el('span', { class: 'result', text: resultText(a.result) }), ` ${localTime(a.time)} · ${a.station} · ${a.port}`),
      el('dl', {},
        el('dt', { text: T.values }), el('dd', { text: valuesText(a) || '—' }),
        el('dt', { text: T.golden }), el('dd', { text: `${a.golden} ${a.goldenHash}${a.extHash ? '+' + a.extHash : ''}` }),
        el('dt', { text: T.version }), el('dd', { text: a.version }),
        a.failure ? el('dt', { text: T.failure }) : null, a.failure ? el('dd', { class: 'failure', title: a.failureKind, text: a.failure }) : null),
      el('div', { class: 'scroll' }, params)));
  }
  if (!data.attempts.length) body.append(el('p', { class: 'empty', text: T.noAttempts }));
  replaceBody(main, body);
}

// Replaces the page's data part, keeping the controls (and what the user types in them).
function replaceBody(main, body) {
  body.id = 'content';
  const old = document.getElementById('content');
  if (old) old.replaceWith(body); else main.append(body);
}

const VIEWS = {
  floor: { api: () => apiUrl('floor', spanQuery()), controls: floorControls, draw: drawFloor },
  failures: { api: () => apiUrl('failures', spanQuery()), controls: floorControls, draw: drawFailures },
  units: { api: () => apiUrl('units', unitsQuery()), controls: unitsControls, draw: drawUnits },
  unit: { api: () => apiUrl('unit', { unit: params.get('unit') || '', value: params.get('value') || '' }), controls: () => null, draw: drawUnit },
};

let busy = false;
async function refresh(force) {
  if (busy) return;
  busy = true;
  const view = VIEWS[PAGE];
  try {
    const url = view.api();
    if (force) delete etags[url];
    const { same, data } = await getJson(url);
    showBanner('');
    if (!same && data) {
      view.draw(document.getElementById('main'), data);
      markUpdated();
    }
  } catch (e) {
    showBanner((e.silent ? T.dbSilent : T.failedToLoad) + String(e.message || e));
  } finally {
    busy = false;
  }
}

function start() {
  document.documentElement.lang = LANG;
  document.title = `${T[PAGE]} · ${T.title}`;
  document.getElementById('brand').textContent = T.title;
  const nav = document.getElementById('nav');
  for (const [path, key] of [['/', 'floor'], ['/failures', 'failures'], ['/units', 'units']]) {
    const a = link(path, {}, T[key]);
    if (key === PAGE) a.setAttribute('aria-current', 'page');
    nav.append(a);
  }
  const other = LANG === 'zh' ? 'en' : 'zh';
  const q = new URLSearchParams(location.search);
  q.set('lang', other);
  document.getElementById('lang-switch').append(el('a', { href: `${location.pathname}?${q}`, text: other === 'en' ? 'English' : '中文' }));
  const main = document.getElementById('main');
  const controls = VIEWS[PAGE].controls();
  if (controls) main.append(controls);
  refresh(false);
  setInterval(() => refresh(false), REFRESH_MS);
}
document.addEventListener('DOMContentLoaded', start);
