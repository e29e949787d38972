// The line's page: today's figures from /api/dashboard, asked again every few
// seconds while the page is shown, and one unit's history from /api/units.
// Every text from the journal goes in as text, never as markup.
"use strict";

const TEXTS = {
  zh: {
    title: "产线看板", today: "今天", total: "合计", hours: "每小时完成数(按工位)", pool: "MAC 地址池",
    "pool.range": "范围", "pool.used": "已用", "pool.free": "剩余", "pool.pace": "最近一小时",
    "pool.runsOut": "预计用完", "pool.reserved": "写入未回报",
    "pool.noPool": "未设定地址池(--mac-pool)", "pool.notRunningOut": "按目前速度不会用完",
    "pool.perHour": "个/小时",
    kinds: "失败步骤与原因", recent: "最近的失败", search: "查找设备", find: "查找", none: "无",
    "col.step": "步骤", "col.kind": "原因", "col.count": "次数", "col.time": "时间", "col.unit": "单元",
    "col.station": "工位", "col.address": "地址", "col.serial": "序列号", "col.mac": "MAC", "col.message": "信息",
    "col.result": "结果", "col.started": "开始", "col.ended": "结束",
    "search.placeholder": "MAC 地址或序列号", "search.nothing": "制造日志中没有此设备:",
    "mac.state": "MAC 状态", "updated": "更新于", "live": "实时", "stale": "未更新", "waiting": "连接中",
    "noMessage": "(无信息)", "language": "English", "unit": "单元",
    "outcome.ok": "完成", "outcome.failed": "失败", "outcome.running": "进行中", "outcome.stopped": "已停止",
    "outcome.interrupted": "已中断", "outcome.unconfirmed": "未确认", "outcome.refused": "被拒绝",
    "mac.written": "已写入", "mac.reserved": "已预留", "mac.failed": "写入失败", "mac.released": "已释放",
    "step.UpdateLanguage": "设置语言", "step.SetMacAddress": "设置MAC地址", "step.SetVideoStandard": "设置制式",
    "step.SetDeviceTime": "设置时间", "step.SetSerial": "设置序列号", "step.UpgradeFirmware": "升级固件",
    "step.RebootDevice": "重启设备", "step.CaptureSnapshot": "抓图", "step.UpdateLogo": "更新开机画面",
  },
  en: {
    title: "Line view", today: "Today", total: "Total", hours: "Units per hour, by station", pool: "MAC pool",
    "pool.range": "Range", "pool.used": "Used", "pool.free": "Free", "pool.pace": "Last hour",
    "pool.runsOut": "Runs out at", "pool.reserved": "Writes not reported",
    "pool.noPool": "no pool set (--mac-pool)", "pool.notRunningOut": "not at the present pace",
    "pool.perHour": "per hour",
    kinds: "Failures by step and kind", recent: "Last failures", search: "Find a unit", find: "Find", none: "None",
    "col.step": "Step", "col.kind": "Kind", "col.count": "Count", "col.time": "Time", "col.unit": "Unit",
    "col.station": "Station", "col.address": "Address", "col.serial": "Serial", "col.mac": "MAC",
    "col.message": "Message", "col.result": "Result", "col.started": "Started", "col.ended": "Ended",
    "search.placeholder": "MAC address or serial number", "search.nothing": "The journal has no unit for:",
    "mac.state": "MAC state", "updated": "Updated", "live": "Live", "stale": "Not updating", "waiting": "Connecting",
    "noMessage": "(no message)", "language": "中文", "unit": "Unit",
    "outcome.ok": "Done", "outcome.failed": "Failed", "outcome.running": "Running", "outcome.stopped": "Stopped",
    "outcome.interrupted": "Interrupted", "outcome.unconfirmed": "Unconfirmed", "outcome.refused": "Refused",
    "mac.written": "written", "mac.reserved": "reserved", "mac.failed": "failed", "mac.released": "released",
    "step.UpdateLanguage": "Language", "step.SetMacAddress": "MAC address", "step.SetVideoStandard": "Video standard",
    "step.SetDeviceTime": "Time", "step.SetSerial": "Serial", "step.UpgradeFirmware": "Firmware",
    "step.RebootDevice": "Reboot", "step.CaptureSnapshot": "Snapshot", "step.UpdateLogo": "Boot logo",
  },
};
const COLOURS = ["#1f5f8b", "#e08a1e", "#3a9d5d", "#8e44ad", "#c0392b", "#16a085", "#7f8c8d", "#d35400"];
const REFRESH_MS = 2000, HIDDEN_REFRESH_MS = 15000;

// The browser's languages choose; Chinese when it names neither.
function chooseLanguage() {
  const asked = new URLSearchParams(location.search).get("lang");
  if (asked === "zh" || asked === "en") return asked;
  for (const tag of navigator.languages || [navigator.language || ""]) {
    const lower = String(tag).toLowerCase();
    if (lower.startsWith("zh")) return "zh";
    if (lower.startsWith("en")) return "en";
  }
  return "zh";
}

let language = chooseLanguage();
let latest = null;
let lastHistory = null;
let timer = 0;
let lastProblem = null;

const t = (key) => TEXTS[language][key] ?? key;
const $ = (id) => document.getElementById(id);
const stepName = (step) => (TEXTS[language]["step." + step] ? t("step." + step) : step);
const outcomeName = (outcome) => (TEXTS[language]["outcome." + outcome] ? t("outcome." + outcome) : outcome);
const messageText = (message) => (message && (language === "zh" ? message.chinese || message.english
                                                                  : message.english || message.chinese)) || t("noMessage");

// Times and numbers are written out by hand: the line reads 24-hour clock
// times and grouped digits in either language, and a browser's first Intl
// formatter costs more than drawing the whole page.
const two = (value) => String(value).padStart(2, "0");
const clock = (moment, seconds) => `${two(moment.getHours())}:${two(moment.getMinutes())}` + (seconds ? `:${two(moment.getSeconds())}` : "");
const day = (moment) => `${moment.getFullYear()}-${two(moment.getMonth() + 1)}-${two(moment.getDate())}`;
const number = (value) => (value === null || value === undefined ? "–" : String(Math.trunc(Number(value))).replace(/\B(?=(\d{3})+(?!\d))/g, ","));

function timeText(iso, withDate) {
  if (!iso) return "–";
  const moment = new Date(iso);
  if (isNaN(moment)) return iso;
  const today = moment.toDateString() === new Date().toDateString();
  return (withDate || !today ? day(moment) + " " : "") + clock(moment, true);
}

function element(tag, text, className) {
  const node = document.createElement(tag);
  if (text !== undefined && text !== null) node.textContent = String(text);
  if (className) node.className = className;
  return node;
}

function row(cells) {
  const tr = document.createElement("tr");
  for (const cell of cells) {
    const td = element("td", cell.text, cell.className);
    tr.appendChild(td);
  }
  return tr;
}

function applyTexts() {
  document.documentElement.lang = language === "zh" ? "zh-CN" : "en";
  document.title = "Tarnwell · " + t("title");
  for (const node of document.querySelectorAll("[data-text]")) node.textContent = t(node.dataset.text);
  $("language").textContent = t("language");
  $("search-key").placeholder = t("search.placeholder");
}

// --- the figures ----------------------------------------------------------

function renderCounts(units) {
  const outcomes = units.outcomes || {};
  $("count-ok").textContent = number(outcomes.ok || 0);
  $("count-failed").textContent = number(outcomes.failed || 0);
  $("count-running").textContent = number(outcomes.running || 0);
  $("count-total").textContent = number(units.total || 0);
  // Outcomes beyond the three (stopped, interrupted, ...) get cards of their own.
  const cards = $("counts");
  for (const extra of cards.querySelectorAll(".card.extra")) extra.remove();
  for (const [outcome, count] of Object.entries(outcomes)) {
    if (["ok", "failed", "running"].includes(outcome)) continue;
    const card = element("div", null, "card extra");
    card.dataset.outcome = outcome;
    card.appendChild(element("span", outcomeName(outcome), "label"));
    const value = element("span", number(count), "number");
    value.id = "count-" + outcome.replace(/[^a-z0-9_-]/gi, "_");
    card.appendChild(value);
    cards.insertBefore(card, cards.querySelector(".card.total"));
  }
}

const SVG = "http://www.w3.org/2000/svg";
function svg(tag, attributes, text) {
  const node = document.createElementNS(SVG, tag);
  for (const [name, value] of Object.entries(attributes || {})) node.setAttribute(name, value);
  if (text !== undefined) node.textContent = text;
  return node;
}

// Stacked bars: one per hour of the shift, one colour per station. The shift
// is shown from its first unit (at least the last eight hours) up to now.
function renderChart(hours, since, now) {
  const end = new Date(now);
  const firstUnit = hours.reduce((first, h) => Math.min(first, new Date(h.hour).getTime()), end.getTime());
  const start = new Date(Math.max(new Date(since).getTime(), Math.min(firstUnit, end.getTime() - 7 * 3600e3)));
  start.setMinutes(0, 0, 0);
  const slots = [];
  for (let hour = new Date(start); hour <= end && slots.length < 48; hour = new Date(hour.getTime() + 3600e3)) slots.push(hour);
  if (slots.length === 0) slots.push(start);
  const stations = [...new Set(hours.map((h) => h.station))].sort();
  const counts = slots.map(() => new Map());
  for (const entry of hours) {
    const index = Math.floor((new Date(entry.hour) - slots[0]) / 3600e3);
    if (index < 0 || index >= slots.length) continue;
    counts[index].set(entry.station, (counts[index].get(entry.station) || 0) + entry.units);
  }
  const totals = counts.map((c) => [...c.values()].reduce((a, b) => a + b, 0));
  const top = Math.max(4, ...totals);
  const width = 900, height = 240, left = 40, bottom = 22, right = 8, topPad = 10;
  const plotWidth = width - left - right, plotHeight = height - bottom - topPad;
  const picture = svg("svg", { viewBox: `0 0 ${width} ${height}`, preserveAspectRatio: "none" });
  for (const fraction of [0, 0.5, 1]) {
    const y = topPad + plotHeight * (1 - fraction);
    picture.appendChild(svg("line", { x1: left, x2: width - right, y1: y, y2: y, class: "axis" }));
    picture.appendChild(svg("text", { x: left - 6, y: y + 4, "text-anchor": "end" }, String(Math.round(top * fraction))));
  }
  const slot = plotWidth / slots.length, bar = Math.max(2, slot * 0.7);
  slots.forEach((hour, i) => {
    let y = topPad + plotHeight;
    stations.forEach((station, s) => {
      const value = counts[i].get(station) || 0;
      if (!value) return;
      const h = (value / top) * plotHeight;
      y -= h;
      const rect = svg("rect", { x: left + i * slot + (slot - bar) / 2, y, width: bar, height: h, fill: COLOURS[s % COLOURS.length] });
      rect.appendChild(svg("title", {}, `${station} ${timeText(hour.toISOString())}: ${value}`));
      picture.appendChild(rect);
    });
    if (slots.length <= 12 || i % Math.ceil(slots.length / 12) === 0) {
      const label = clock(hour, false);
      picture.appendChild(svg("text", { x: left + i * slot + slot / 2, y: height - 6, "text-anchor": "middle" }, label));
    }
  });
  const chart = $("chart");
  chart.replaceChildren(picture);
  chart.dataset.units = String(totals.reduce((a, b) => a + b, 0));
  chart.setAttribute("aria-label", t("hours"));
  const legend = $("legend");
  legend.replaceChildren(...stations.map((station, s) => {
    const item = element("li");
    const swatch = element("span", null, "swatch");
    swatch.style.background = COLOURS[s % COLOURS.length];
    item.append(swatch, document.createTextNode(station || "–"));
    return item;
  }));
}

function renderPool(pool) {
  $("pool-range").textContent = pool.first && pool.last ? `${pool.first} – ${pool.last}` : (pool.first ? `${pool.first} – ? · ${t("pool.noPool")}` : t("pool.noPool"));
  $("pool-used").textContent = number(pool.used);
  $("pool-free").textContent = number(pool.free);
  $("pool-pace").textContent = `${number(pool.last_hour)} ${t("pool.perHour")}`;
  $("pool-runs-out").textContent = pool.free === null ? "–" : (pool.runs_out_at ? timeText(pool.runs_out_at, true) : t("pool.notRunningOut"));
  $("pool-reserved").textContent = number(pool.reserved);
}

function renderKinds(kinds) {
  const body = $("kinds-table").tBodies[0];
  body.replaceChildren(...kinds.map((kind) => row([
    { text: stepName(kind.step) + (kind.result === "failed" ? "" : ` (${outcomeName(kind.result)})`) },
    { text: messageText(kind.message) },
    { text: number(kind.steps), className: "n" },
  ])));
  $("kinds-empty").hidden = kinds.length > 0;
}

function renderRecent(failures) {
  const body = $("recent-table").tBodies[0];
  body.replaceChildren(...failures.map((failure) => row([
    { text: timeText(failure.ended_at || failure.started_at) }, { text: failure.unit }, { text: failure.station },
    { text: failure.address }, { text: failure.serial }, { text: failure.mac },
    { text: failure.step ? stepName(failure.step) : "–" }, { text: messageText(failure.message) },
  ])));
  $("recent-empty").hidden = failures.length > 0;
}

function render(figures) {
  renderCounts(figures.units);
  renderChart(figures.hours, figures.since, figures.now);
  renderPool(figures.pool);
  renderKinds(figures.failure_kinds);
  renderRecent(figures.recent_failures);
  $("updated-at").textContent = `${t("updated")} ${timeText(figures.now)}`;
}

function showProblem(problem) {
  lastProblem = problem;
  const banner = $("problem");
  banner.hidden = !problem;
  banner.textContent = problem ? messageText(problem.error || problem) + (problem.detail ? ` (${problem.detail})` : "") : "";
  const live = $("live");
  live.dataset.state = problem ? "stale" : "live";
  live.textContent = t(problem ? "stale" : "live");
}

async function fetchJson(path) {
  const response = await fetch(path, { cache: "no-store", credentials: "same-origin" });
  let body = null;
  try { body = await response.json(); } catch (ignored) { body = null; }
  if (!response.ok) throw body || { error: { english: `HTTP ${response.status}`, chinese: `HTTP ${response.status}` } };
  return body;
}

function todayStart() {
  const midnight = new Date();
  midnight.setHours(0, 0, 0, 0);
  return midnight.toISOString();
}

async function refresh() {
  clearTimeout(timer);
  if (!document.body.dataset.firstAskMs) document.body.dataset.firstAskMs = String(Math.round(performance.now()));
  try {
    latest = await fetchJson("/api/dashboard?since=" + encodeURIComponent(todayStart()));
    const drawing = performance.now();
    render(latest);
    document.body.dataset.renderMs = String(Math.round(performance.now() - drawing));
    showProblem(null);
    document.body.dataset.loaded = "1";
    if (!document.body.dataset.firstLoadMs) document.body.dataset.firstLoadMs = String(Math.round(performance.now()));
  } catch (problem) {
    showProblem(problem && problem.error ? problem : { english: String(problem), chinese: String(problem) });
  }
  timer = setTimeout(refresh, document.hidden ? HIDDEN_REFRESH_MS : REFRESH_MS);
}

// --- one unit's history ---------------------------------------------------

function renderHistory(history) {
  lastHistory = history;
  const box = $("history");
  box.replaceChildren();
  if (!history) return;
  if (history.mac) {
    box.appendChild(element("p", `${history.mac.mac} · ${t("mac.state")}: ${t("mac." + history.mac.state)} · ${t("unit")} ${history.mac.unit} · ${history.mac.station} · ${timeText(history.mac.updated_at, true)}`));
  }
  if (history.units.length === 0) {
    box.appendChild(element("p", `${t("search.nothing")} ${history.key}`, "empty"));
    return;
  }
  for (const unit of history.units) {
    const part = element("div", null, "unit");
    part.dataset.unit = String(unit.unit);
    part.appendChild(element("h3", `${t("unit")} ${unit.unit} · ${outcomeName(unit.outcome)} · ${unit.station} · ${unit.address} · ${unit.serial || "–"} · ${unit.mac || "–"}`));
    part.appendChild(element("p", `${t("col.started")} ${timeText(unit.started_at, true)} · ${t("col.ended")} ${timeText(unit.ended_at, true)}${unit.package_path ? " · " + unit.package_path : ""}`));
    const table = element("table");
    const head = element("thead");
    const headRow = element("tr");
    for (const key of ["col.step", "col.result", "col.started", "col.ended", "col.message"]) headRow.appendChild(element("th", t(key)));
    head.appendChild(headRow);
    table.appendChild(head);
    const body = element("tbody");
    for (const step of unit.steps) {
      body.appendChild(row([
        { text: stepName(step.step) }, { text: outcomeName(step.result), className: "result-" + step.result },
        { text: timeText(step.started_at) }, { text: timeText(step.ended_at) },
        { text: step.messages.length ? step.messages.map(messageText).join(" · ") : "–" },
      ]));
    }
    table.appendChild(body);
    part.appendChild(table);
    box.appendChild(part);
  }
}

async function search(event) {
  event.preventDefault();
  const key = $("search-key").value.trim();
  if (!key) { renderHistory(null); return; }
  try {
    renderHistory(await fetchJson("/api/units?key=" + encodeURIComponent(key)));
  } catch (problem) {
    $("history").replaceChildren(element("p", messageText(problem.error || problem), "empty"));
  }
}

document.addEventListener("DOMContentLoaded", () => {
  applyTexts();
  $("live").textContent = t("waiting");
  $("language").addEventListener("click", () => {
    language = language === "zh" ? "en" : "zh";
    applyTexts();
    if (latest) render(latest);
    renderHistory(lastHistory);
    showProblem(lastProblem);
  });
  $("search-form").addEventListener("submit", search);
  document.addEventListener("visibilitychange", () => { if (!document.hidden) refresh(); });
  refresh();
});
