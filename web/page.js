// The page's platform layer: fetches the data set into the module's file system, steps the show
// from the animation callback against the soundtrack's clock, draws the frame into the canvas
// and takes the keys. Two modes for tests: ?capture=hashes&fps=N writes the capture tool's hash
// lines, ?bench=1 times every scene's frames.
'use strict';

(() => {
  const FRAME_WIDTH = 320;
  const FRAME_HEIGHT = 240;
  const DATA_FOLDER = 'data';
  const SEEK_SECONDS = 5;
  const MAX_FPS = 1000;  // as the capture tool allows

  const params = new URLSearchParams(location.search);
  const mode = params.get('capture') === 'hashes' ? 'capture' : params.has('bench') ? 'bench' : 'show';

  const byId = (id) => document.getElementById(id);
  const canvas = byId('frame');
  const context = canvas.getContext('2d', { alpha: false });
  let finished = false;

  function setStatus(text) { byId('status').textContent = text; }
  function setProgress(fraction) {
    const percent = Math.round(Math.min(1, Math.max(0, fraction)) * 100);
    byId('progress-fill').style.width = `${percent}%`;
    byId('progress').setAttribute('aria-valuenow', String(percent));
  }
  function fail(reason) {
    if (finished) return;
    finished = true;
    document.title = `failed: ${reason}`;
    byId('panel').hidden = false;
    setStatus(`The show cannot run: ${reason}`);
  }
  window.addEventListener('error', (event) => fail(event.message || 'script error'));
  window.addEventListener('unhandledrejection', (event) => fail(String(event.reason)));

  function showMessage(caption, text) {
    const item = document.createElement('li');
    item.textContent = `${caption}: ${text}`;
    byId('messages').append(item);
    console.warn(item.textContent);
  }

  // ---- Scale: the largest whole number of device pixels per frame pixel that fits.
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const scale = Math.max(1, Math.floor(Math.min(innerWidth * ratio / FRAME_WIDTH, innerHeight * ratio / FRAME_HEIGHT)));
    canvas.style.width = `${FRAME_WIDTH * scale / ratio}px`;
    canvas.style.height = `${FRAME_HEIGHT * scale / ratio}px`;
  }
  window.addEventListener('resize', fitCanvas);
  document.addEventListener('fullscreenchange', fitCanvas);
  fitCanvas();

  // ---- Loading.
  function loadScript(src) {
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = src;
      script.onload = resolve;
      script.onerror = () => reject(new Error(`${src} could not be loaded`));
      document.head.append(script);
    });
  }

  // Reads one response, counting its bytes as they arrive.
  async function readBody(response, onBytes) {
    if (!response.body) return new Uint8Array(await response.arrayBuffer());
    const reader = response.body.getReader();
    const parts = [];
    let size = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      parts.push(value);
      size += value.length;
      onBytes(value.length);
    }
    const bytes = new Uint8Array(size);
    let at = 0;
    for (const part of parts) { bytes.set(part, at); at += part.length; }
    return bytes;
  }

  // Every file of the data set, in parallel; a file that cannot be fetched is left out (the
  // show's loader then says so). Returns the number of files found.
  async function fetchDataSet(module, names) {
    module.FS.mkdir(`/${DATA_FOLDER}`);
    let filesDone = 0;
    let expected = 0;
    let received = 0;
    const update = () => {
      const bytesPart = expected > 0 ? Math.min(1, received / expected) : 0;
      setProgress((filesDone + bytesPart * (names.length - filesDone)) / names.length);
    };
    const results = await Promise.all(names.map(async (name) => {
      let bytes = null;
      try {
        const response = await fetch(`${DATA_FOLDER}/${encodeURIComponent(name)}`);
        if (response.ok) {
          expected += Number(response.headers.get('Content-Length')) || 0;
          bytes = await readBody(response, (count) => { received += count; update(); });
        }
      } catch (error) {
        console.warn(`${name}: ${error}`);
      }
      ++filesDone;
      update();
      if (bytes) module.FS.writeFile(`/${DATA_FOLDER}/${name}`, bytes);
      return { name, bytes };
    }));
    return results;
  }

  async function startModule() {
    await loadScript('orvanta.js');
    const module = await createShowModule({ onShowMessage: showMessage });
    const api = {
      open: module.cwrap('orvanta_open', 'number', ['string']),
      step: module.cwrap('orvanta_step', 'number', ['number']),
      scene: module.cwrap('orvanta_scene', 'string', []),
      showSeconds: module.cwrap('orvanta_show_seconds', 'number', []),
      lengthSeconds: module.cwrap('orvanta_length_seconds', 'number', []),
      seek: module.cwrap('orvanta_seek', null, ['number']),
      frameRgba: module.cwrap('orvanta_frame_rgba', 'number', []),
      captureSteps: module.cwrap('orvanta_capture_steps', 'number', ['number', 'number']),
      captureEnded: module.cwrap('orvanta_capture_ended', 'number', []),
      dataFileCount: module.cwrap('orvanta_data_file_count', 'number', []),
      dataFileName: module.cwrap('orvanta_data_file_name', 'string', ['number']),
    };
    const names = [];
    for (let i = 0; i < api.dataFileCount(); ++i) names.push(api.dataFileName(i));
    setStatus('Loading the data set…');
    const files = await fetchDataSet(module, names);
    if (!files.some((file) => file.bytes)) {
      throw new Error(`no data folder: none of the show's files were found in ${DATA_FOLDER}/ beside this page`);
    }
    return { module, api, files };
  }

  // ---- Drawing.
  let image = null;
  function draw(module, api) {
    const pointer = api.frameRgba();
    if (!image) image = new ImageData(FRAME_WIDTH, FRAME_HEIGHT);
    image.data.set(module.HEAPU8.subarray(pointer, pointer + FRAME_WIDTH * FRAME_HEIGHT * 4));
    context.putImageData(image, 0, 0);
  }

  // ---- Capture: the fixed step of the capture tool, its hash lines into <pre id="hashes">.
  function parseFps() {
    const text = params.get('fps') ?? '60';
    const fps = Number(text);
    if (!/^[0-9]+$/.test(text) || !Number.isInteger(fps) || fps < 1 || fps > MAX_FPS) {
      throw new Error(`fps must be a whole number from 1 to ${MAX_FPS}, not "${text}"`);
    }
    return fps;
  }

  function runCapture({ module, api }) {
    const fps = parseFps();
    const pre = byId('hashes');
    setStatus(`Capturing at ${fps} frames a second…`);
    return new Promise((resolve) => {
      const length = api.lengthSeconds();
      const chunk = () => {
        const until = performance.now() + 50;
        let text = '';
        let ended = false;
        while (!ended && performance.now() < until) {
          text += module.UTF8ToString(api.captureSteps(fps, 32));
          ended = api.captureEnded() !== 0;
        }
        if (text) pre.append(text);
        setProgress(api.showSeconds() / length);
        if (ended) resolve(); else setTimeout(chunk, 0);
      };
      chunk();
    });
  }

  // ---- Timing: every frame at the fixed step; each step's time goes to the scene that drew
  // it. The readings are taken back to back, so their coarse resolution does not add up.
  function runBench({ api }) {
    const fps = parseFps();
    const delta = 1 / fps;
    const scenes = new Map();
    setStatus('Timing the scenes…');
    return new Promise((resolve) => {
      const chunk = () => {
        const until = performance.now() + 50;
        let ended = false;
        let before = performance.now();
        while (!ended && before < until) {
          const bits = api.step(delta);
          const after = performance.now();
          ended = (bits & 2) !== 0;
          if (bits & 1) {
            const name = api.scene();
            const entry = scenes.get(name) || { frames: 0, ms: 0 };
            entry.frames += 1;
            entry.ms += after - before;
            scenes.set(name, entry);
          }
          before = after;
        }
        if (!ended) { setTimeout(chunk, 0); return; }
        const lines = [];
        for (const [name, entry] of scenes) {
          lines.push(`${name} ${entry.frames} ${(entry.ms / entry.frames).toFixed(3)}`);
        }
        byId('timings').textContent = `${lines.join('\n')}\n`;
        resolve();
      };
      chunk();
    });
  }

  // ---- The show: picture and soundtrack from one clock.
  // The show time is the soundtrack's position when there is sound, else a steady clock;
  // either is started, paused and moved only through here.
  class ShowClock {
    constructor(audio, buffer) {
      this.audio = audio;  // AudioContext, or null
      this.buffer = buffer;  // the decoded soundtrack, or null
      this.source = null;
      this.origin = 0;  // clock reading at show time 0
      this.pausedAt = null;  // show time while paused
    }
    // Where the clock is now, and where the listener is: sound leaves the speakers a little
    // after it is played out.
    now() { return this.buffer ? this.audio.currentTime : performance.now() / 1000; }
    latency() { return this.buffer ? this.audio.outputLatency || this.audio.baseLatency || 0 : 0; }
    seconds() { return this.pausedAt ?? Math.max(0, this.now() - this.latency() - this.origin); }
    start(at) {
      this.stopSound();
      this.pausedAt = null;
      if (this.buffer) {
        this.source = this.audio.createBufferSource();
        this.source.buffer = this.buffer;
        this.source.connect(this.audio.destination);
        if (at < this.buffer.duration) this.source.start(0, at);
      }
      this.origin = this.now() - at;
    }
    pause() {
      if (this.pausedAt !== null) return;
      this.pausedAt = this.seconds();
      this.stopSound();
    }
    get paused() { return this.pausedAt !== null; }
    stopSound() {
      if (!this.source) return;
      try { this.source.stop(); } catch (error) { /* never started */ }
      this.source.disconnect();
      this.source = null;
    }
  }

  async function decodeSoundtrack(files) {
    const soundtrack = files.find((file) => file.name.endsWith('.mp3'));
    const AudioContextClass = window.AudioContext || window.webkitAudioContext;
    if (!soundtrack || !soundtrack.bytes || !AudioContextClass) return { audio: null, buffer: null };
    const audio = new AudioContextClass();
    try {
      const buffer = await audio.decodeAudioData(soundtrack.bytes.slice().buffer);
      return { audio, buffer };
    } catch (error) {
      showMessage('sound', `the soundtrack could not be decoded (${error}); the show runs silently`);
      return { audio, buffer: null };
    }
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else if (document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch((error) => console.warn(`full screen: ${error}`));
    }
  }
  byId('fullscreen').addEventListener('click', (event) => { toggleFullscreen(); event.currentTarget.blur(); });

  async function runShow(loaded) {
    const { module, api, files } = loaded;
    const { audio, buffer } = await decodeSoundtrack(files);
    const start = byId('start');
    setStatus(buffer ? 'Ready.' : 'Ready (no sound).');
    start.hidden = false;
    byId('keys').hidden = false;
    start.focus();
    await new Promise((resolve) => start.addEventListener('click', resolve, { once: true }));
    if (audio) await audio.resume();
    byId('panel').hidden = true;

    const clock = new ShowClock(audio, buffer);
    const length = api.lengthSeconds();
    let running = true;
    const end = () => {
      if (!running) return;
      running = false;
      clock.stopSound();
      document.removeEventListener('keydown', onKey);
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
      byId('panel').hidden = false;
      start.hidden = true;
      byId('keys').hidden = true;
      setStatus('The show is over. Reload the page to watch it again.');
      document.title = 'veltrane';
    };
    const seekBy = (seconds) => {
      const at = Math.min(length, Math.max(0, api.showSeconds() + seconds));
      api.seek(at);
      if (clock.paused) clock.pausedAt = at; else clock.start(at);
    };
    function onKey(event) {
      if (event.altKey || event.ctrlKey || event.metaKey) return;
      switch (event.key) {
        case 'Escape': end(); break;
        case 'f': case 'F': toggleFullscreen(); break;
        case ' ': if (clock.paused) clock.start(clock.pausedAt); else clock.pause(); break;
        case 'ArrowLeft': seekBy(-SEEK_SECONDS); break;
        case 'ArrowRight': seekBy(SEEK_SECONDS); break;
        default: return;
      }
      event.preventDefault();
    }
    document.addEventListener('keydown', onKey);

    const frame = () => {
      if (!running) return;
      if (!clock.paused) {
        // One step per display frame, as far as the clock has moved since the last one.
        const delta = Math.max(0, clock.seconds() - api.showSeconds());
        const bits = api.step(delta);
        draw(module, api);
        if (bits & 2) { end(); return; }
      }
      requestAnimationFrame(frame);
    };
    clock.start(0);
    requestAnimationFrame(frame);
  }

  async function main() {
    const loaded = await startModule();
    // Relative to the file system's root, so the loader names files as the desktop show does.
    const messages = loaded.api.open(DATA_FOLDER);
    if (messages > 0) console.warn(`${messages} file(s) of the data set could not be loaded`);
    if (mode === 'capture') {
      await runCapture(loaded);
      finished = true;
      document.title = 'done';
    } else if (mode === 'bench') {
      await runBench(loaded);
      finished = true;
      document.title = 'done';
    } else {
      await runShow(loaded);
    }
  }

  main().catch((error) => fail(error && error.message ? error.message : String(error)));
})();
