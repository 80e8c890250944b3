// A small static server for the page's folder on 127.0.0.1, for `make
// run-web`, the browser tests and the measurements. It serves files of that
// folder only and records every request it answers.
//   node tools/web/serve.mjs FOLDER [PORT] [--log]
// prints the page's address (PORT 0 or none: a free port); with --log also
// one line "STATUS PATH" per request, and it ends when its standard input
// does (the test that started it has gone).
import { createServer } from 'node:http';
import { readFile, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { pathToFileURL } from 'node:url';

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.ico': 'image/x-icon',
  '.png': 'image/png',
};

// Starts serving `folder`; resolves to { origin, requests, close }.
// `requests` lists { path, status } for every request answered.
export function serve(folder, port = 0, onRequest = null) {
  const root = resolve(folder);
  const requests = [];
  const server = createServer(async (request, response) => {
    let status = 404;
    let body = 'not found\n';
    let type = 'text/plain; charset=utf-8';
    let path = null;
    try {
      path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    } catch (error) {
      // A malformed address: 400 below.
    }
    const file = path === null ? null : normalize(join(root, path === '/' ? 'index.html' : path));
    if (path === null) {
      status = 400;
      body = 'bad request\n';
    } else if (request.method !== 'GET' && request.method !== 'HEAD') {
      status = 405;
      body = 'method not allowed\n';
    } else if (file.startsWith(root + sep)) {
      try {
        if ((await stat(file)).isFile()) {
          body = await readFile(file);
          status = 200;
          type = kTypes[extname(file)] || 'application/octet-stream';
        }
      } catch (error) {
        // Not there: 404.
      }
    }
    requests.push({ path, status });
    if (onRequest) onRequest(path, status);
    response.writeHead(status, { 'Content-Type': type, 'Cache-Control': 'no-store' });
    response.end(request.method === 'HEAD' ? undefined : body);
  });
  return new Promise((done, fail) => {
    server.on('error', fail);
    server.listen(port, '127.0.0.1', () => {
      done({
        origin: `http://127.0.0.1:${server.address().port}`,
        requests,
        close: () => new Promise((closed) => server.close(closed)),
      });
    });
  });
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const args = process.argv.slice(2);
  const log = args.includes('--log');
  const [folder, port] = args.filter((a) => a !== '--log');
  if (!folder) {
    console.error('usage: node serve.mjs FOLDER [PORT] [--log]');
    process.exit(2);
  }
  const onRequest = log ? (path, status) => console.log(`${status} ${path}`) : null;
  if (log) {
    process.stdin.on('end', () => process.exit(0));
    process.stdin.resume();
  }
  const { origin } = await serve(folder, Number(port || 0), onRequest);
  console.log(`${origin}/index.html`);
}
