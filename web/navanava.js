// NavaNava in the browser. The WebAssembly module (navanava.wasm) holds the
// scene, the sprites and the drawing; this script gives it the canvas size,
// the clock, the browser's storage and the page address's options, sends the
// rectangles that changed to the canvas, and runs full screen and the
// settings dialog. Nothing is fetched but the module beside this script.
'use strict';

(() => {
  const canvas = document.getElementById('scene');
  const context = canvas.getContext('2d', { alpha: false });
  const fullScreenButton = document.getElementById('full-screen');
  const settingsButton = document.getElementById('open-settings');
  const dialog = document.getElementById('settings');
  const speedSlider = document.getElementById('speed');
  const countSlider = document.getElementById('count');
  const fpsLine = document.getElementById('fps');
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();

  let exports = null;  // the module's functions
  let memory = null;
  let image = null;    // ImageData over the module's canvas picture
  let imageBuffer = null;
  let canvasWidth = 0;
  let canvasHeight = 0;
  let ready = false;   // a scene runs
  let setUps = 0;
  let frames = 0;
  let firstPictureMs = null;
  const frameCosts = new Float64Array(600);  // ms per animation frame, a ring
  let saver = false;   // full screen, ended by input
  let pointer = null;  // last known mouse position, screen pixels
  let anchor = null;   // where the mouse was when full screen began
  let storageRefused = false;  // the browser refused the last write

  const bytes = (pointer, length) => new Uint8Array(memory.buffer, pointer >>> 0, length);

  // The browser's storage as the module's settings file. Storage may be
  // switched off or full; the module then reads its defaults and its writes
  // are lost, as with a settings file that cannot be read or written.
  const pageImports = {
    storageGet(name, nameLength, buffer, capacity) {
      let text = null;
      try {
        text = window.localStorage.getItem(decoder.decode(bytes(name, nameLength)));
      } catch (error) {
        return -1;
      }
      if (text === null) return -1;
      return encoder.encodeInto(text, bytes(buffer, capacity)).written;
    },
    storageSet(name, nameLength, text, textLength) {
      try {
        window.localStorage.setItem(decoder.decode(bytes(name, nameLength)),
                                    decoder.decode(bytes(text, textLength)));
      } catch (error) {
        storageRefused = true;
      }
    },
  };

  async function loadModule() {
    const imports = {
      page: pageImports,
      env: { emscripten_notify_memory_growth() {} },
      wasi_snapshot_preview1: { proc_exit(code) { throw new Error(`module exited with ${code}`); } },
    };
    const response = fetch('navanava.wasm');
    let result;
    try {
      result = await WebAssembly.instantiateStreaming(response, imports);
    } catch (error) {
      // A server that does not send application/wasm: compile from the bytes.
      result = await WebAssembly.instantiate(await (await response).arrayBuffer(), imports);
    }
    exports = result.instance.exports;
    memory = exports.memory;
    exports._initialize();
  }

  // Hands one string to the module through its text buffer; false when it
  // does not fit (the parameter is then ignored).
  function putText(offset, text) {
    const capacity = exports.NavaTextCapacity();
    const target = bytes(exports.NavaTextBuffer() + offset, capacity - offset);
    const { read, written } = encoder.encodeInto(text, target);
    return read === text.length ? written : -1;
  }

  function readAddressOptions() {
    exports.NavaClearOptions();
    for (const [name, value] of new URLSearchParams(window.location.search)) {
      const nameLength = putText(0, name);
      if (nameLength < 0) continue;
      const valueLength = putText(nameLength, value);
      if (valueLength >= 0) exports.NavaPageOption(nameLength, valueLength);
    }
  }

  // The picture's memory may move when the module's memory grows.
  function refreshImage() {
    if (image !== null && imageBuffer === memory.buffer) return;
    image = null;
    if (!ready) return;
    imageBuffer = memory.buffer;
    const pixels = new Uint8ClampedArray(imageBuffer, exports.NavaWindowPixels() >>> 0,
                                         canvasWidth * canvasHeight * 4);
    image = new ImageData(pixels, canvasWidth, canvasHeight);
  }

  // A new size, or new settings: the scene starts again.
  function setUp() {
    // A canvas that gets a new size is black; one that keeps it is blackened.
    if (canvas.width !== canvasWidth || canvas.height !== canvasHeight) {
      canvas.width = canvasWidth;
      canvas.height = canvasHeight;
    } else {
      context.fillStyle = '#000';
      context.fillRect(0, 0, canvasWidth, canvasHeight);
    }
    const seconds = Math.floor(Date.now() / 1000) >>> 0;
    ready = exports.NavaSetUp(canvasWidth, canvasHeight, performance.now(), seconds) === 1;
    image = null;
    refreshImage();
    ++setUps;
    fpsLine.hidden = exports.NavaShowFps() === 0;
  }

  function frame() {
    requestAnimationFrame(frame);
    drawFrame();
  }

  function drawFrame() {
    if (!ready) return;
    const start = performance.now();
    const count = exports.NavaFrame(start);
    if (count > 0) {
      refreshImage();
      const rects = new Int32Array(memory.buffer, exports.NavaRects() >>> 0, 4 * count);
      for (let i = 0; i < 4 * count; i += 4) {
        context.putImageData(image, 0, 0, rects[i], rects[i + 1], rects[i + 2], rects[i + 3]);
      }
      if (firstPictureMs === null) firstPictureMs = performance.now();
      if (typeof api.afterPresent === 'function') api.afterPresent();
    }
    frameCosts[frames % frameCosts.length] = performance.now() - start;
    ++frames;
  }

  // The canvas in device pixels: exact where the browser reports them.
  function watchSize() {
    const observer = new ResizeObserver((entries) => {
      const entry = entries[entries.length - 1];
      let width;
      let height;
      if (entry.devicePixelContentBoxSize) {
        width = entry.devicePixelContentBoxSize[0].inlineSize;
        height = entry.devicePixelContentBoxSize[0].blockSize;
      } else {
        width = Math.round(entry.contentRect.width * window.devicePixelRatio);
        height = Math.round(entry.contentRect.height * window.devicePixelRatio);
      }
      if (width === canvasWidth && height === canvasHeight && setUps > 0) return;
      canvasWidth = width;
      canvasHeight = height;
      setUp();
      // Size changes are reported after this frame's animation callbacks and
      // before its paint: drawing now shows the new scene in this frame.
      drawFrame();
    });
    try {
      observer.observe(canvas, { box: 'device-pixel-content-box' });
    } catch (error) {
      observer.observe(canvas);
    }
  }

  function showFps() {
    let lastFrames = frames;
    let lastTicks = 0;
    setInterval(() => {
      if (fpsLine.hidden || !ready) return;
      const tick = exports.NavaTick();
      const ticks = tick >= lastTicks ? tick - lastTicks : tick;
      fpsLine.textContent = `${frames - lastFrames} fps, ${ticks} ticks/s`;
      lastFrames = frames;
      lastTicks = tick;
    }, 1000);
  }

  // ---- Full screen as a saver ----

  function enterSaver() {
    if (document.fullscreenElement || dialog.open || !canvas.requestFullscreen) return;
    canvas.requestFullscreen({ navigationUI: 'hide' }).catch(() => {});
  }

  function leaveSaver() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  }

  document.addEventListener('fullscreenchange', () => {
    saver = document.fullscreenElement === canvas;
    anchor = saver ? pointer : null;
  });

  window.addEventListener('keydown', (event) => {
    if (saver) {
      event.preventDefault();
      leaveSaver();
    } else if ((event.key === 'f' || event.key === 'F') && !event.ctrlKey && !event.metaKey &&
               !event.altKey && !dialog.open && !event.repeat) {
      event.preventDefault();
      enterSaver();
    }
  });

  window.addEventListener('pointerdown', (event) => {
    if (!saver) return;
    event.preventDefault();
    leaveSaver();
  });

  // The Windows rule: a move of more than 4 pixels (|dx| + |dy|) from where
  // the mouse was ends the saver; smaller jitters do not.
  window.addEventListener('mousemove', (event) => {
    const x = Math.round(event.screenX);
    const y = Math.round(event.screenY);
    pointer = { x, y };
    if (!saver) return;
    if (anchor === null) {
      anchor = pointer;
    } else if (exports.NavaMovedBeyond(anchor.x, anchor.y, x, y) === 1) {
      leaveSaver();
    }
  });

  // A canvas that the browser lost and restored is blank: send all of it.
  canvas.addEventListener('contextrestored', () => {
    if (ready) exports.NavaDamageAll();
  });

  document.addEventListener('visibilitychange', () => {
    if (ready && document.visibilityState === 'visible') exports.NavaRestartClock(performance.now());
  });

  // ---- The settings dialog ----

  function openSettings() {
    if (dialog.open || saver) return;
    exports.NavaOpenSettings();
    speedSlider.value = String(exports.NavaSpeedPosition());
    countSlider.value = String(exports.NavaCountPosition());
    dialog.showModal();
  }

  function settingsOk() {
    storageRefused = false;
    exports.NavaSettingsOk(Number(speedSlider.value), Number(countSlider.value));
    dialog.close();
    // The settings just chosen count from now on, and after a reload too
    // unless the browser keeps no storage for the page: then say so.
    document.getElementById('not-stored').hidden = !storageRefused;
    exports.NavaKeepChosenSettings();
    const address = new URL(window.location.href);
    address.searchParams.delete('interval');
    address.searchParams.delete('flakes');
    window.history.replaceState(null, '', address);
    setUp();
  }

  function settingsDefault() {
    exports.NavaSettingsDefault();
    speedSlider.value = String(exports.NavaDefaultSpeedPosition());
    countSlider.value = String(exports.NavaDefaultCountPosition());
  }

  document.getElementById('settings-ok').addEventListener('click', settingsOk);
  document.getElementById('settings-cancel').addEventListener('click', () => dialog.close());
  document.getElementById('settings-default').addEventListener('click', settingsDefault);
  // Enter acts as OK unless a button has the focus; Escape closes the
  // dialog as Cancel does (the browser's own handling).
  dialog.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && !(document.activeElement instanceof HTMLButtonElement)) {
      event.preventDefault();
      settingsOk();
    }
  });

  fullScreenButton.addEventListener('click', enterSaver);
  settingsButton.addEventListener('click', openSettings);

  // ---- What runs, for the status line and for tests ----

  const api = {
    loaded: null,
    afterPresent: null,  // called after every present that changed the canvas
    status() {
      const running = ready && exports !== null;
      return {
        ready: running,
        setUps,
        frames,
        firstPictureMs,
        saver,
        canvasWidth,
        canvasHeight,
        tick: running ? exports.NavaTick() : 0,
        sceneWidth: running ? exports.NavaSceneWidth() : 0,
        sceneHeight: running ? exports.NavaSceneHeight() : 0,
        pixelScale: running ? exports.NavaPixelScale() : 0,
        tickIntervalMs: running ? exports.NavaTickIntervalMs() : 0,
        effectiveIntervalMs: running ? exports.NavaEffectiveIntervalMs() : 0,
        flakeCount: running ? exports.NavaFlakeCount() : 0,
        stopAfterTicks: running ? exports.NavaStopAfterTicks() : 0,
        sentPixels: running ? exports.NavaSentPixels() : 0,
      };
    },
    // A copy of the back buffer, one 32-bit pixel per scene pixel, bytes
    // red, green, blue, 0 (the module holds 0x00RRGGBB, as the canvas
    // pixels' order turned around).
    backBuffer() {
      if (!ready) return null;
      const width = exports.NavaSceneWidth();
      const height = exports.NavaSceneHeight();
      const held = new Uint32Array(memory.buffer, exports.NavaBackPixels() >>> 0, width * height);
      const pixels = new Uint32Array(held.length);
      for (let i = 0; i < held.length; ++i) {
        const p = held[i];
        pixels[i] = ((p & 0xff00) | ((p >>> 16) & 0xff) | ((p & 0xff) << 16)) >>> 0;
      }
      return { width, height, pixels };
    },
    frameCosts() {
      const count = Math.min(frames, frameCosts.length);
      return Array.from(frameCosts.subarray(0, count));
    },
  };
  window.navanava = api;

  api.loaded = loadModule().then(() => {
    readAddressOptions();
    watchSize();
    showFps();
    requestAnimationFrame(frame);
  }).catch((error) => {
    document.getElementById('failure').hidden = false;
    throw error;
  });
})();
