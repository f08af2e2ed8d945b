// A stand-in for the push service and a relay, for the tests: three HTTP/2 servers (the
// production, broadcast and channel-management hosts) and one HTTPS/1.1 relay, all on
// localhost with the certificate given on the command line. Each records every request
// (method, path, headers, body) and answers from a script the test hands it.
//
//   node fake_apns.js <cert.pem> <key.pem>
//
// The first line on standard output names the ports: {"production":p,"broadcast":p,...}.
// Then it reads one JSON command per line on standard input and answers each with one line:
//   {"cmd":"script","server":"production","answers":[{"status":403,"headers":{},"body":"..."}]}
//   {"cmd":"requests"}   -> {"requests":[{server, httpVersion, method, path, headers, body,
//                            receivedAt (milliseconds since 1970)}]}
//   {"cmd":"reset"}      -> forgets requests and scripts
// An answer may be {"reset":true} to break the stream instead of answering, may carry
// "delay" (milliseconds) to answer that much later (push-service hosts only), and may carry
// "bodyBytes" to send that many bytes of "x" as its body instead of "body", streamed, with a
// content-length only when "announced" is true. With no scripted
// answer left a server answers 200 (with an "apns-id" header on the push-service hosts).
// It ends when standard input closes.
'use strict';

const fs = require('fs');
const http2 = require('http2');
const https = require('https');
const readline = require('readline');

const [certPath, keyPath] = process.argv.slice(2);
const tls = { cert: fs.readFileSync(certPath), key: fs.readFileSync(keyPath) };

let requests = [];
let scripts = {};

function nextAnswer(server) {
  const queue = scripts[server] || [];
  if (queue.length > 0) return queue.shift();
  if (server === 'relay') return { status: 200, body: JSON.stringify({ status: 200, apnsID: 'relay-default-id' }) };
  return { status: 200, headers: { 'apns-id': 'default-id' } };
}

// Writes `total` bytes of "x" to `sink` as fast as it takes them, and stops when it goes.
function streamBytes(sink, total) {
  const chunk = Buffer.alloc(64 * 1024, 'x');
  let left = total;
  const pump = () => {
    while (left > 0 && !sink.destroyed) {
      const piece = left >= chunk.length ? chunk : chunk.subarray(0, left);
      left -= piece.length;
      if (!sink.write(piece)) {
        sink.once('drain', pump);
        return;
      }
    }
    if (!sink.destroyed) sink.end();
  };
  pump();
}

function pairs(rawHeaders) {
  const result = [];
  for (let i = 0; i + 1 < rawHeaders.length; i += 2) {
    if (!rawHeaders[i].startsWith(':')) result.push([rawHeaders[i].toLowerCase(), rawHeaders[i + 1]]);
  }
  return result;
}

function record(server, httpVersion, method, path, rawHeaders, chunks) {
  requests.push({
    server,
    httpVersion,
    method,
    path,
    headers: pairs(rawHeaders),
    body: Buffer.concat(chunks).toString('base64'),
    receivedAt: Date.now(),
  });
}

function startPushServer(name) {
  const server = http2.createSecureServer(tls);
  server.on('stream', (stream, headers, flags, rawHeaders) => {
    const chunks = [];
    stream.on('data', (chunk) => chunks.push(chunk));
    stream.on('end', () => {
      record(name, '2', headers[':method'], headers[':path'], rawHeaders, chunks);
      const answer = nextAnswer(name);
      const respond = () => {
        if (answer.reset) {
          stream.close(http2.constants.NGHTTP2_INTERNAL_ERROR);
          return;
        }
        const length = answer.announced ? { 'content-length': answer.bodyBytes } : {};
        stream.respond({ ':status': answer.status, ...length, ...(answer.headers || {}) });
        if (answer.bodyBytes !== undefined) streamBytes(stream, answer.bodyBytes);
        else stream.end(answer.body || '');
      };
      if (answer.delay) setTimeout(respond, answer.delay);
      else respond();
    });
    stream.on('error', () => {});
  });
  server.on('sessionError', () => {});
  return server;
}

function startRelay() {
  return https.createServer(tls, (request, response) => {
    const chunks = [];
    request.on('data', (chunk) => chunks.push(chunk));
    request.on('end', () => {
      record('relay', request.httpVersion, request.method, request.url, request.rawHeaders, chunks);
      const answer = nextAnswer('relay');
      if (answer.reset) {
        request.socket.destroy();
        return;
      }
      const length = answer.announced ? { 'content-length': answer.bodyBytes } : {};
      response.writeHead(answer.status, { ...length, ...(answer.headers || {}) });
      if (answer.bodyBytes !== undefined) streamBytes(response, answer.bodyBytes);
      else response.end(answer.body || '');
    });
  });
}

const servers = {
  production: startPushServer('production'),
  broadcast: startPushServer('broadcast'),
  channel: startPushServer('channel'),
  relay: startRelay(),
};

Promise.all(
  Object.entries(servers).map(
    ([name, server]) =>
      new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve([name, server.address().port]))),
  ),
).then((ports) => {
  process.stdout.write(JSON.stringify(Object.fromEntries(ports)) + '\n');
});

const input = readline.createInterface({ input: process.stdin });
input.on('line', (line) => {
  let reply = { ok: true };
  try {
    const command = JSON.parse(line);
    if (command.cmd === 'script') {
      scripts[command.server] = (scripts[command.server] || []).concat(command.answers);
    } else if (command.cmd === 'requests') {
      reply = { requests };
    } else if (command.cmd === 'reset') {
      requests = [];
      scripts = {};
    } else {
      reply = { error: 'unknown command' };
    }
  } catch (error) {
    reply = { error: String(error) };
  }
  process.stdout.write(JSON.stringify(reply) + '\n');
});
input.on('close', () => process.exit(0));
