// Measures the web edition in Chromium, Firefox and WebKit beside the native game under Xvfb, in the same
// run, and prints the Markdown tables of docs/performance.md: in each engine ticks per second and CPU time
// per second of play, beside a floor page whose one 4 x 4 square changes 50 times a second; in Chromium
// also load to first frame (from the network and from the service worker's cache), ticks per second with
// the CPU throttled as on a slower phone (without a target: a slow page runs the game slower, as a slow
// machine runs the native game) and a single step's time on a fresh and on a long console; and the site's
// size. Run it through bench/measure-web.sh. Exits 1 when a target is missed.
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const {Browser, ENGINES, SITE, sleep, waitUntil} = require('../tests/web/harness');
const {serve} = require('../web/tools/serve');

const SECONDS = Number(process.env.TORVALE_BENCH_SECONDS || 10);
const ROUNDS = Number(process.env.TORVALE_BENCH_ROUNDS || 2);
const LAUNCHES = Number(process.env.TORVALE_BENCH_LAUNCHES || 5);
const THROTTLE = 4;  // Chromium's CPU throttling for a mid-range phone
// Each page runs this long before it is measured: for its first ten seconds or so Chromium's optimising
// compilers take the game's code on its worker threads, the drawing of new boxes last as it is called least,
// a cost of starting (measured apart, as start to first frame), not of play.
const WARM_UP_MS = 12000;
const SIDE_BY_SIDE = new Set(['chromium', 'firefox']);  // engines whose page and floor page run at once
const MOST_OVER_FLOOR = 1.15;  // all of a browser's CPU in play, over the floor page's in the same browser
const MOST_START_BYTES = 32 * 1024;  // gzipped, what the page loads to start
// Site files not counted in what the page loads to start: the icons (Chromium fetches one for its install
// check), the licence texts, and the scripts that only some players need, loaded when first needed (the
// touch controls, the gamepads'), which a start in Chromium must not load.
const WHEN_NEEDED = /^(touch-pad|gamepad)\.js$/;
const NOT_COUNTED = (name) => /^(icons\/|licenses\/|LICENSE)/.test(name) || WHEN_NEEDED.test(name);
const BUILD = process.env.TORVALE_BENCH_BUILD || path.join(__dirname, '..', 'build', 'bench');
const TICKS_PER_SECOND = Number(execFileSync('getconf', ['CLK_TCK']));
const mean = (values) => values.reduce((sum, value) => sum + value, 0) / values.length;
const quantile = (values, q) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) * q)];
const median = (values) => quantile(values, 0.5);
const NAMES = {chromium: 'Chromium', firefox: 'Firefox', webkit: 'WebKit'};
// The process that runs the game's page, in each engine's own words.
const PAGE_PROCESS = {chromium: 'renderer', firefox: 'Web Content', webkit: 'WebKitWebProcess'};

// What a browser's process is for: Chromium's --type, else the program's name (Firefox names its processes
// by their job), in full from the command line where the kernel's 15 characters cut it short (WebKit's).
function processKind(pid) {
  const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
  const type = /(?:^|[\s\0])--type=([\w-]+)/.exec(command);
  if (type) return type[1];
  const name = fs.readFileSync(`/proc/${pid}/comm`, 'utf8').trim();
  const program = path.basename(command.split('\0')[0]);
  return program.startsWith(name) ? program : name;
}

// User plus system CPU seconds of processes and all their descendants, by the kind of process.
function cpuByKind(rootPids) {
  const processes = fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name)).map((pid) => {
    try {
      const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
      const kind = processKind(pid);
      return {pid: Number(pid), parent: Number(fields[1]), cpu: (Number(fields[11]) + Number(fields[12])) / TICKS_PER_SECOND, kind};
    } catch (error) {
      return null;  // gone meanwhile
    }
  }).filter(Boolean);
  const tree = new Set(rootPids);
  for (let grown = true; grown;) {
    grown = false;
    for (const p of processes) if (!tree.has(p.pid) && tree.has(p.parent)) grown = tree.add(p.pid);
  }
  const byKind = {};
  for (const p of processes) if (tree.has(p.pid)) byKind[p.kind] = (byKind[p.kind] || 0) + p.cpu;
  return byKind;
}

// CPU seconds by kind of process, of all of each browser (WebKit's X server is part of its display), while
// work runs.
async function cpuDuring(browsers, work) {
  const pids = browsers.map((browser) => [browser.pid, browser.displayPid].filter(Boolean));
  const before = pids.map(cpuByKind);
  await work();
  return pids.map(cpuByKind).map((after, i) =>
    Object.fromEntries(Object.keys(after).map((kind) => [kind, after[kind] - (before[i][kind] || 0)])));
}

// The game opened in browser and its first ball launched. With a throttle, Chromium runs the page that many
// times slower, as its emulation of a slower phone does.
async function startPlay(browser, throttle = 1) {
  const game = await browser.open();
  if (throttle > 1) await (await game.page.createCDPSession()).send('Emulation.setCPUThrottlingRate', {rate: throttle});
  await game.key('b');
  return game;
}

// What a stretch of play on game gave: its tick periods, frames and CPU.
async function playResult(game, {start, end, cpu}) {
  const ticks = (await game.ticks()).filter((t) => t >= start && t < end);
  const frames = (await game.frames()).filter((t) => t >= start && t < end);
  const errors = await game.errors();
  if (errors.length) throw new Error(`page errors: ${errors}`);
  return {periods: ticks.slice(1).map((t, i) => t - ticks[i]), frames: frames.length,
          duration: (end - start) / 1000, cpu};
}

// SECONDS on every page at once, with B pressed on each every half second, and the CPU that each page's browser
// took meanwhile. B keeps a ball in play; the floor page gets the same keys and ignores them, so that the cost
// of the driver's input is on both sides of the comparison and not put down to the game.
async function measureStretch(browsers, pages) {
  const clocks = () => Promise.all(pages.map((page) => page.evaluate(() => performance.now())));
  let starts, ends;
  const cpu = await cpuDuring(browsers, async () => {
    starts = await clocks();
    for (let left = SECONDS * 1000; left > 0; left -= 500) {
      await sleep(Math.min(500, left));
      await Promise.all(pages.map((page) => page.key('b')));
    }
    ends = await clocks();
  });
  return pages.map((page, i) => ({start: starts[i], end: ends[i], cpu: cpu[i]}));
}

// Pages of kinds ('game' or 'floor') in fresh browsers of engine, measured over the same seconds: the game
// played, and the floor page (bench/floor/), one 4 x 4 square of a 400 x 500 canvas changed 50 times a second,
// what showing any such game costs in that engine.
async function measureTogether(engine, kinds, {throttle = 1, ...options} = {}) {
  const browsers = [];
  const floor = await serve(path.join(__dirname, 'floor'));
  try {
    for (const kind of kinds) browsers.push(await Browser.start(SITE, '', {engine, ...options}));
    const pages = [];
    for (const [i, kind] of kinds.entries()) {
      pages.push(kind === 'game' ? await startPlay(browsers[i], throttle) : await browsers[i].load({url: floor.url}));
    }
    await sleep(WARM_UP_MS);
    const stretches = await measureStretch(browsers, pages);
    return await Promise.all(kinds.map((kind, i) => kind === 'game' ? playResult(pages[i], stretches[i]) :
                                                                     floorResult(pages[i], stretches[i])));
  } finally {
    floor.server.close();
    for (const browser of browsers) await browser.close();
  }
}

async function floorResult(page, {start, end, cpu}) {
  const frames = (await page.frames()).filter((t) => t >= start && t < end).length;
  if (!frames) throw new Error('the floor page put no frame on its canvas');
  return {duration: (end - start) / 1000, frames, cpu};
}

// A page's run and its floor page's, side by side where two such browsers fit this machine with room to
// spare: its speed moves by a third within a minute, and every page's with it, so that one after the other
// the ratio of a pair of Chromium's runs went from 0.7x to 1.6x, and side by side from 1.10x to 1.17x. WebKit
// draws its pages in software, most of a core each: its two runs come one after the other, in the order
// given, and their ratio moves by a few hundredths.
async function besideFloor(engine, options, floorFirst) {
  if (SIDE_BY_SIDE.has(engine)) {
    const [game, floor] = await measureTogether(engine, ['game', 'floor'], options);
    return {game, floor};
  }
  const runs = {};
  for (const kind of floorFirst ? ['floor', 'game'] : ['game', 'floor']) {
    [runs[kind]] = await measureTogether(engine, [kind], options);
  }
  return runs;
}

// Navigation start to the first frame's display callback, in a fresh Chromium each time: the first visit,
// from the network, then a reload once the service worker has precached the site, from its cache.
async function webLoads() {
  const times = {network: [], worker: []};
  for (let i = 0; i < LAUNCHES; i++) {
    const browser = await Browser.start(SITE, '', {engine: 'chromium'});
    try {
      const game = await browser.open();
      times.network.push((await game.frames())[0]);
      const early = await game.evaluate(() => performance.getEntriesByType('resource').map((entry) => entry.name));
      const site = new URL(browser.url).pathname;
      const needless = early.map((url) => new URL(url).pathname.slice(site.length)).filter((name) => WHEN_NEEDED.test(name));
      if (needless.length) throw new Error(`loaded to start, though needed only by some players: ${needless}`);
      await waitUntil(() => game.evaluate(() => Boolean(navigator.serviceWorker.controller)), 'the site precached');
      await game.reload();
      await game.firstFrame();
      times.worker.push((await game.frames())[0]);
      const errors = await game.errors();
      if (errors.length) throw new Error(`page errors: ${errors}`);
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
  const browser = await Browser.start(SITE, '', {engine: 'chromium'});
  try {
    const game = await browser.open();
    const medianStep = async () => {
      const times = [];
      for (let i = 0; i < steps; i++) {
        await game.evaluate(timeNextStep);
        await game.key('o');
        times.push(await game.evaluate(() => window.torvaleStep));
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
  // The build's .gz and .br copies are what a host sends instead of a file, not files of their own.
  const sizes = files.filter((file) => !/\.(gz|br)$/.test(file)).map((file) => {
    const data = fs.readFileSync(file);
    const brotli = zlib.brotliCompressSync(data, {params: {[zlib.constants.BROTLI_PARAM_QUALITY]: 11}});
    return {name: path.relative(SITE, file), bytes: data.length, gzipped: zlib.gzipSync(data, {level: 9}).length,
            brotli: brotli.length};
  });
  return sizes.sort((a, b) => a.name.localeCompare(b.name));
}

async function main() {
  const engines = Object.keys(ENGINES);
  const loadBefore = fs.readFileSync('/proc/loadavg', 'utf8').split(' ')[0];
  const web = Object.fromEntries(engines.map((engine) => [engine, []]));
  const floors = Object.fromEntries(engines.map((engine) => [engine, []]));
  const throttled = [];
  const native = [];
  // Chromium without its GPU process's compositing either: the game and the floor page as above.
  const noGpu = {game: [], floor: []};
  for (let round = 0; round < ROUNDS; round++) {
    const order = ['native', 'throttled', ...engines, 'no-gpu'];
    for (const kind of round % 2 ? order.reverse() : order) {
      console.error(`round ${round + 1}/${ROUNDS}: ${kind}`);
      if (kind === 'throttled') throttled.push(...await measureTogether('chromium', ['game'], {throttle: THROTTLE}));
      else if (kind === 'native') native.push(nativeRun(round === 0 ? LAUNCHES : 0));
      else {
        const {game, floor} = await besideFloor(kind === 'no-gpu' ? 'chromium' : kind, {gpu: kind !== 'no-gpu'}, round % 2);
        (kind === 'no-gpu' ? noGpu.game : web[kind]).push(game);
        (kind === 'no-gpu' ? noGpu.floor : floors[kind]).push(floor);
      }
    }
  }
  console.error('console steps');
  const steps = await consoleSteps();
  console.error('web loads');
  const loads = await webLoads();
  const loadAfter = fs.readFileSync('/proc/loadavg', 'utf8').split(' ')[0];

  const nativeSeconds = native.reduce((sum, run) => sum + run.duration, 0);
  const nativeRate = 1000 / mean(native.flatMap((run) => run.periods_ms));
  const throttledRate = 1000 / mean(throttled.flatMap((run) => run.periods));
  // CPU milliseconds per second of runs, by kind of process and in all.
  const cpuPerSecond = (runs) => {
    const seconds = runs.reduce((sum, run) => sum + run.duration, 0);
    const kinds = [...new Set(runs.flatMap((run) => Object.keys(run.cpu)))].sort();
    const cpu = Object.fromEntries(kinds.map((kind) =>
      [kind, 1000 * runs.reduce((sum, run) => sum + (run.cpu[kind] || 0), 0) / seconds]));
    return {cpu, allCpu: kinds.reduce((sum, kind) => sum + cpu[kind], 0),
            frames: runs.reduce((sum, run) => sum + run.frames, 0) / seconds};
  };
  // Per engine: ticks and frames per second, tick periods, CPU of play and of the floor page.
  const measured = Object.fromEntries(engines.map((engine) => {
    const runs = web[engine];
    const rate = 1000 / mean(runs.flatMap((run) => run.periods));
    return [engine, {rate, gap: 100 * (rate - nativeRate) / nativeRate, periods: runs.flatMap((run) => run.periods),
                     ...cpuPerSecond(runs), floor: cpuPerSecond(floors[engine])}];
  }));
  const pageCpu = (engine, {cpu}) => cpu[PAGE_PROCESS[engine]] || 0;
  const nativeCpu = 1000 * native.reduce((sum, run) => sum + run.cpu, 0) / nativeSeconds;
  const serverCpu = 1000 * native.reduce((sum, run) => sum + run.server_cpu, 0) / nativeSeconds;
  const sizes = siteSize();
  const loaded = sizes.filter((file) => !NOT_COUNTED(file.name));
  const total = (list, key) => list.reduce((sum, file) => sum + file[key], 0);
  const kib = (bytes) => (bytes / 1024).toFixed(1);
  // All of each browser's CPU in play over the floor page's: Chromium's by default and with --disable-gpu.
  const noGpuCpu = {game: cpuPerSecond(noGpu.game).allCpu, floor: cpuPerSecond(noGpu.floor).allCpu};
  const overFloor = Object.fromEntries(engines.map((engine) => [engine, measured[engine].allCpu / measured[engine].floor.allCpu]));
  overFloor.noGpu = noGpuCpu.game / noGpuCpu.floor;
  // The same ratio round by round, which shows how far one round's noise moves it.
  const roundRatios = (games, floorRuns) => games.map((run, round) =>
    `${(cpuPerSecond([run]).allCpu / cpuPerSecond([floorRuns[round]]).allCpu).toFixed(2)}x`).join(', ');
  const overFloorHolds = Object.values(overFloor).every((ratio) => ratio <= MOST_OVER_FLOOR);
  const startSizeHolds = total(loaded, 'gzipped') <= MOST_START_BYTES;
  const throttledGap = 100 * (throttledRate - nativeRate) / nativeRate;
  const signed = (gap) => `${gap >= 0 ? '+' : ''}${gap.toFixed(2)} %`;
  const stepsHold = steps.long <= 2 * steps.fresh && steps.long <= 60;
  const ratesHold = engines.every((engine) => Math.abs(measured[engine].gap) <= 1);
  const row = (measure, nativeCell, cell) => `| ${measure} | ${nativeCell} | ${engines.map(cell).join(' | ')} |`;
  const chromiumOnly = (measure, value) => `| ${measure} | | ${value} |${' |'.repeat(engines.length - 1)}`;

  const lines = [
    `Measured ${new Date().toISOString().slice(0, 16).replace('T', ' ')} UTC: ${ROUNDS} rounds of ${SECONDS} s of play ` +
    `per edition and engine, alternating order, each page beside its floor page (at the same time in ` +
    `${[...SIDE_BY_SIDE].map((engine) => NAMES[engine]).join(' and ')}), and ${LAUNCHES} loads each; ` +
    `load average ${loadBefore} before, ${loadAfter} after.`, '',
    `| measure | native (Xvfb) | ${engines.map((engine) => `web (${NAMES[engine]})`).join(' | ')} |`,
    `|---|---:|${'---:|'.repeat(engines.length)}`,
    row('ticks per second', nativeRate.toFixed(2), (engine) => measured[engine].rate.toFixed(2)),
    row('ticks per second beside the native game\'s', '', (engine) => signed(measured[engine].gap)),
    ...[['p50', 0.5], ['p99', 0.99]].map(([name, q]) => row(`tick period, ${name} (ms)`,
        quantile(native.flatMap((run) => run.periods_ms), q).toFixed(3), (engine) => quantile(measured[engine].periods, q).toFixed(3))),
    row('frames per second', (native.reduce((s, r) => s + r.frames, 0) / nativeSeconds).toFixed(2),
        (engine) => measured[engine].frames.toFixed(2)),
    row('CPU time per second of play, the game\'s own process (ms/s)', nativeCpu.toFixed(1),
        (engine) => `${pageCpu(engine, measured[engine]).toFixed(1)} (${PAGE_PROCESS[engine]})`),
    row('CPU time per second of play, with display (ms/s)', `${(nativeCpu + serverCpu).toFixed(1)} (game + X server)`,
        (engine) => `${measured[engine].allCpu.toFixed(1)} (${Object.entries(measured[engine].cpu)
            .map(([kind, ms]) => `${kind} ${ms.toFixed(1)}`).join(', ')})`),
    row('the floor page\'s frames per second', '', (engine) => measured[engine].floor.frames.toFixed(2)),
    row('CPU time per second, the floor page: its own process (ms/s)', '',
        (engine) => pageCpu(engine, measured[engine].floor).toFixed(1)),
    row('CPU time per second, the floor page, with display (ms/s)', '', (engine) => measured[engine].floor.allCpu.toFixed(1)),
    row('CPU time per second of play beyond the floor page: own process / with display (ms/s)', '', (engine) =>
      `${(pageCpu(engine, measured[engine]) - pageCpu(engine, measured[engine].floor)).toFixed(1)} / ` +
      `${(measured[engine].allCpu - measured[engine].floor.allCpu).toFixed(1)}`),
    row('all of the CPU in play over the floor page\'s, round by round', '', (engine) => roundRatios(web[engine], floors[engine])),
    chromiumOnly('CPU time per second with --disable-gpu, with display: play / the floor page (ms/s)',
                 `${noGpuCpu.game.toFixed(1)} / ${noGpuCpu.floor.toFixed(1)}`),
    chromiumOnly('the same over the floor page\'s, round by round', roundRatios(noGpu.game, noGpu.floor)),
    chromiumOnly(`ticks per second, CPU throttled ${THROTTLE}x, beside the native game's (no target)`,
                 `${throttledRate.toFixed(2)} (${signed(throttledGap)})`),
    chromiumOnly(`tick period p99, CPU throttled ${THROTTLE}x (ms)`, quantile(throttled.flatMap((run) => run.periods), 0.99).toFixed(3)),
    chromiumOnly('O to the frame after the positions, median (ms): fresh console', steps.fresh.toFixed(1)),
    chromiumOnly(`the same after H a thousand times (${steps.lines} console lines)`, steps.long.toFixed(1)),
    `| start to first frame, median (ms) | ${median(native.flatMap((r) => r.startups_ms)).toFixed(1)} (exec to first swap) | ` +
    `${median(loads.network).toFixed(1)} (navigation to the first frame on the canvas) |${' |'.repeat(engines.length - 1)}`,
    chromiumOnly('start to first frame from the service worker\'s cache, median (ms)', `${median(loads.worker).toFixed(1)} (a reload after one visit)`),
    '', '| site file | bytes | gzipped (level 9) | Brotli (quality 11) |', '|---|---:|---:|---:|',
    ...sizes.map((file) => `| ${file.name} | ${file.bytes} | ${file.gzipped} | ${file.brotli} |`),
    `| **what the page loads to start** (${loaded.map((file) => file.name).join(', ')}) | ${total(loaded, 'bytes')} | ` +
    `**${kib(total(loaded, 'gzipped'))} KiB** | ${kib(total(loaded, 'brotli'))} KiB |`,
    `| the whole site, licence texts included | ${total(sizes, 'bytes')} | ${kib(total(sizes, 'gzipped'))} KiB | ` +
    `${kib(total(sizes, 'brotli'))} KiB |`,
    '', '| target | measured | holds |', '|---|---:|---|',
    ...engines.map((engine) => `| ticks per second in ${NAMES[engine]} within 1 % of the native game's | ` +
        `${signed(measured[engine].gap)} | ${Math.abs(measured[engine].gap) <= 1 ? 'yes' : 'no'} |`),
    `| a step on a long console at most twice a fresh one's and at most 60 ms | ${steps.long.toFixed(1)} ms | ${stepsHold ? 'yes' : 'no'} |`,
    `| all of the browser's CPU in play at most ${MOST_OVER_FLOOR}x the floor page's: ` +
    `${engines.map((engine) => NAMES[engine]).join(' / ')} / Chromium with --disable-gpu | ` +
    `${[...engines, 'noGpu'].map((key) => `${overFloor[key].toFixed(2)}x`).join(' / ')} | ${overFloorHolds ? 'yes' : 'no'} |`,
    `| what the page loads to start, the worker included, at most ${MOST_START_BYTES / 1024} KiB gzipped | ` +
    `${kib(total(loaded, 'gzipped'))} KiB | ${startSizeHolds ? 'yes' : 'no'} |`,
  ];
  console.log(lines.join('\n'));
  process.exitCode = ratesHold && stepsHold && overFloorHolds && startSizeHolds ? 0 : 1;
}

main().catch((error) => {
  console.error(error);
  process.exitCode = 2;
});
