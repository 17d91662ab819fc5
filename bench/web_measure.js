// Measures the web edition in Chromium beside the native game under Xvfb, in the same run, and prints
// the Markdown tables of docs/performance.md: load to first frame (from the network and from the
// service worker's cache), ticks per second (also with the CPU throttled as on a slower phone), a single
// step's time on a fresh and on a long console, CPU time per second of play and the site's size. Run it through bench/measure-web.sh. Exits 1 when a target is missed.
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const {Browser, SITE, sleep} = require('../tests/web/harness');

const SECONDS = Number(process.env.TORVALE_BENCH_SECONDS || 10);
const ROUNDS = Number(process.env.TORVALE_BENCH_ROUNDS || 2);
const LAUNCHES = Number(process.env.TORVALE_BENCH_LAUNCHES || 5);
const THROTTLE = 4;  // Chromium's CPU throttling for a mid-range phone
const BUILD = process.env.TORVALE_BENCH_BUILD || path.join(__dirname, '..', 'build', 'bench');
const TICKS_PER_SECOND = Number(execFileSync('getconf', ['CLK_TCK']));
const mean = (values) => values.reduce((sum, value) => sum + value, 0) / values.length;
const quantile = (values, q) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) * q)];
const median = (values) => quantile(values, 0.5);

// User plus system CPU seconds of a process and all its descendants, by the kind of Chromium process.
function cpuByKind(rootPid) {
  const processes = fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name)).map((pid) => {
    try {
      const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      const kind = (/--type=([\w-]+)/.exec(command) || [null, 'browser'])[1];
      return {pid: Number(pid), parent: Number(fields[1]), cpu: (Number(fields[11]) + Number(fields[12])) / TICKS_PER_SECOND, kind};
    } catch (error) {
      return null;  // gone meanwhile
    }
  }).filter(Boolean);
  const tree = new Set([rootPid]);
  for (let grown = true; grown;) {
    grown = false;
    for (const p of processes) if (!tree.has(p.pid) && tree.has(p.parent)) grown = tree.add(p.pid);
  }
  const byKind = {};
  for (const p of processes) if (tree.has(p.pid)) byKind[p.kind] = (byKind[p.kind] || 0) + p.cpu;
  return byKind;
}

// One measured stretch of play in a fresh Chromium: B every half second keeps a ball in play. With a
// throttle, Chromium runs the page that many times slower, as its emulation of a slower phone does.
async function webRun(throttle = 1) {
  const browser = await Browser.start();
  try {
    const game = await browser.open();
    if (throttle > 1) await (await game.page.createCDPSession()).send('Emulation.setCPUThrottlingRate', {rate: throttle});
    await game.key('b');
    await sleep(1000);
    const pid = browser.browser.process().pid;
    const cpuBefore = cpuByKind(pid);
    const start = await game.page.evaluate(() => performance.now());
    for (let left = SECONDS * 1000; left > 0; left -= 500) {
      await sleep(Math.min(500, left));
      await game.key('b');
    }
    const end = await game.page.evaluate(() => performance.now());
    const cpuAfter = cpuByKind(pid);
    const ticks = (await game.ticks()).filter((t) => t >= start && t < end);
    const frames = (await game.frames()).filter((t) => t >= start && t < end);
    const cpu = {};
    for (const kind of Object.keys(cpuAfter)) cpu[kind] = cpuAfter[kind] - (cpuBefore[kind] || 0);
    if (game.errors.length) throw new Error(`page errors: ${game.errors}`);
    return {periods: ticks.slice(1).map((t, i) => t - ticks[i]), frames: frames.length,
            duration: (end - start) / 1000, cpu};
  } finally {
    await browser.close();
  }
}

// Navigation start to the first frame's display callback, in a fresh Chromium each time: the first visit,
// from the network, then a reload once the service worker has precached the site, from its cache.
async function webLoads() {
  const times = {network: [], worker: []};
  for (let i = 0; i < LAUNCHES; i++) {
    const browser = await Browser.start();
    try {
      const game = await browser.open();
      times.network.push((await game.frames())[0]);
      await game.page.waitForFunction(() => navigator.serviceWorker.controller);  // the site is precached
      await game.page.reload();
      await game.firstFrame();
      times.worker.push((await game.frames())[0]);
      if (game.errors.length) throw new Error(`page errors: ${game.errors}`);
    } finally {
      await browser.close();
    }
  }
  return times;
}

// In the page: the time from the next key press to the first frame shown after the console's next position
// line (a task queued at the next animation frame runs once that frame is drawn).
function timeNextStep() {
  const log = document.getElementById('console');
  window.torvaleStep = new Promise((resolve) => {
    let pressed = null;
    addEventListener('keydown', (event) => pressed = event.timeStamp, {once: true, capture: true});
    const observer = new MutationObserver(() => {
      if (!/ Posicoes [^\n]*\] $/.test(log.lastChild.textContent.slice(-80))) return;
      observer.disconnect();
      requestAnimationFrame(() => setTimeout(() => resolve(performance.now() - pressed)));
    });
    observer.observe(log, {childList: true, subtree: true, characterData: true});
  });
}

// Single steps by O on a fresh console and after H a thousand times (about 17,000 lines, as a lost game
// played step by step leaves): the median milliseconds from the key to the frame after the positions.
async function consoleSteps(steps = 20) {
  const browser = await Browser.start();
  try {
    const game = await browser.open();
    const medianStep = async () => {
      const times = [];
      for (let i = 0; i < steps; i++) {
        await game.page.evaluate(timeNextStep);
        await game.key('o');
        times.push(await game.page.evaluate(() => window.torvaleStep));
      }
      return median(times);
    };
    await game.key('p');
    const fresh = await medianStep();
    await game.key(...Array(1000).fill('h'));
    const lines = (await game.output()).split('\n').length;
    return {fresh, long: await medianStep(), lines};
  } finally {
    await browser.close();
  }
}

function nativeRun(launches) {
  const script = path.join(__dirname, 'native_play.py');
  return JSON.parse(execFileSync('python3', [script, BUILD, String(SECONDS), String(launches)], {maxBuffer: 1 << 24}));
}

function siteSize() {
  const files = [];
  const walk = (folder) => fs.readdirSync(folder, {withFileTypes: true}).forEach((entry) => {
    const file = path.join(folder, entry.name);
    if (entry.isDirectory()) walk(file);
    else files.push(file);
  });
  walk(SITE);
  const sizes = files.map((file) => {
    const data = fs.readFileSync(file);
    return {name: path.relative(SITE, file), bytes: data.length, gzipped: zlib.gzipSync(data, {level: 9}).length};
  });
  return sizes.sort((a, b) => a.name.localeCompare(b.name));
}

async function main() {
  const loadBefore = fs.readFileSync('/proc/loadavg', 'utf8').split(' ')[0];
  const web = [];
  const throttled = [];
  const native = [];
  for (let round = 0; round < ROUNDS; round++) {
    const order = round % 2 ? ['web', 'throttled', 'native'] : ['native', 'throttled', 'web'];
    for (const kind of order) {
      console.error(`round ${round + 1}/${ROUNDS}: ${kind}`);
      if (kind === 'web') web.push(await webRun());
      else if (kind === 'throttled') throttled.push(await webRun(THROTTLE));
      else native.push(nativeRun(round === 0 ? LAUNCHES : 0));
    }
  }
  console.error('console steps');
  const steps = await consoleSteps();
  console.error('web loads');
  const loads = await webLoads();
  const loadAfter = fs.readFileSync('/proc/loadavg', 'utf8').split(' ')[0];

  const webSeconds = web.reduce((sum, run) => sum + run.duration, 0);
  const nativeSeconds = native.reduce((sum, run) => sum + run.duration, 0);
  const webRate = 1000 / mean(web.flatMap((run) => run.periods));
  const throttledRate = 1000 / mean(throttled.flatMap((run) => run.periods));
  const nativeRate = 1000 / mean(native.flatMap((run) => run.periods_ms));
  const cpuOf = (kind) => 1000 * web.reduce((sum, run) => sum + (run.cpu[kind] || 0), 0) / webSeconds;
  const kinds = [...new Set(web.flatMap((run) => Object.keys(run.cpu)))].sort();
  const webCpu = kinds.reduce((sum, kind) => sum + cpuOf(kind), 0);
  const nativeCpu = 1000 * native.reduce((sum, run) => sum + run.cpu, 0) / nativeSeconds;
  const serverCpu = 1000 * native.reduce((sum, run) => sum + run.server_cpu, 0) / nativeSeconds;
  const sizes = siteSize();
  // Everything but the icons and the licence texts, which the page does not need to start.
  const loaded = sizes.filter((file) => !/^(icons\/|licenses\/|LICENSE)/.test(file.name));
  const total = (list, key) => list.reduce((sum, file) => sum + file[key], 0);
  const kib = (bytes) => (bytes / 1024).toFixed(1);
  const rateGap = 100 * (webRate - nativeRate) / nativeRate;
  const throttledGap = 100 * (throttledRate - nativeRate) / nativeRate;
  const signed = (gap) => `${gap >= 0 ? '+' : ''}${gap.toFixed(2)} %`;
  const stepsHold = steps.long <= 2 * steps.fresh && steps.long <= 60;

  const lines = [
    `Measured ${new Date().toISOString().slice(0, 16).replace('T', ' ')} UTC: ${ROUNDS} rounds of ${SECONDS} s of play ` +
    `per edition, alternating order, and ${LAUNCHES} loads each; load average ${loadBefore} before, ${loadAfter} after.`, '',
    '| measure | native (Xvfb) | web (Chromium) |', '|---|---:|---:|',
    `| ticks per second | ${nativeRate.toFixed(2)} | ${webRate.toFixed(2)} |`,
    `| ticks per second, CPU throttled ${THROTTLE}x | | ${throttledRate.toFixed(2)} |`,
    `| tick period p99, CPU throttled ${THROTTLE}x (ms) | | ${quantile(throttled.flatMap((run) => run.periods), 0.99).toFixed(3)} |`,
    `| O to the frame after the positions, median (ms): fresh console | | ${steps.fresh.toFixed(1)} |`,
    `| the same after H a thousand times (${steps.lines} console lines) | | ${steps.long.toFixed(1)} |`,
    ...[['p50', 0.5], ['p99', 0.99]].map(([name, q]) => `| tick period, ${name} (ms) | ` +
        `${quantile(native.flatMap((run) => run.periods_ms), q).toFixed(3)} | ${quantile(web.flatMap((run) => run.periods), q).toFixed(3)} |`),
    `| frames per second | ${(native.reduce((s, r) => s + r.frames, 0) / nativeSeconds).toFixed(2)} | ` +
    `${(web.reduce((s, r) => s + r.frames, 0) / webSeconds).toFixed(2)} |`,
    `| start to first frame, median (ms) | ${median(native.flatMap((r) => r.startups_ms)).toFixed(1)} (exec to first swap) | ` +
    `${median(loads.network).toFixed(1)} (navigation to the first frame on the canvas) |`,
    `| start to first frame from the service worker's cache, median (ms) | | ${median(loads.worker).toFixed(1)} (a reload after one visit) |`,
    `| CPU time per second of play, the game's own process(es) (ms/s) | ${nativeCpu.toFixed(1)} | ` +
    `${(cpuOf('renderer')).toFixed(1)} (renderer) |`,
    `| CPU time per second of play, with display (ms/s) | ${(nativeCpu + serverCpu).toFixed(1)} (game + X server) | ` +
    `${webCpu.toFixed(1)} (all of Chromium: ${kinds.map((kind) => `${kind} ${cpuOf(kind).toFixed(1)}`).join(', ')}) |`,
    '', '| site file | bytes | gzipped (level 9) |', '|---|---:|---:|',
    ...sizes.map((file) => `| ${file.name} | ${file.bytes} | ${file.gzipped} |`),
    `| **what the page loads to start** (${loaded.map((file) => file.name).join(', ')}) | ${total(loaded, 'bytes')} | **${kib(total(loaded, 'gzipped'))} KiB** |`,
    `| the whole site, licence texts included | ${total(sizes, 'bytes')} | ${kib(total(sizes, 'gzipped'))} KiB |`,
    '', '| target | measured | holds |', '|---|---:|---|',
    `| ticks per second within 1 % of the native game's | ${signed(rateGap)} | ${Math.abs(rateGap) <= 1 ? 'yes' : 'no'} |`,
    `| the same with the CPU throttled ${THROTTLE}x, within 2 % | ${signed(throttledGap)} | ${Math.abs(throttledGap) <= 2 ? 'yes' : 'no'} |`,
    `| a step on a long console at most twice a fresh one's and at most 60 ms | ${steps.long.toFixed(1)} ms | ${stepsHold ? 'yes' : 'no'} |`,
    `| what the page loads to start, the worker included, at most 64 KiB gzipped | ${kib(total(loaded, 'gzipped'))} KiB | ${total(loaded, 'gzipped') <= 65536 ? 'yes' : 'no'} |`,
  ];
  console.log(lines.join('\n'));
  process.exitCode = Math.abs(rateGap) <= 1 && Math.abs(throttledGap) <= 2 && stepsHold &&
                     total(loaded, 'gzipped') <= 65536 ? 0 : 1;
}

main().catch((error) => {
  console.error(error);
  process.exitCode = 2;
});
