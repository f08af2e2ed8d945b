// A stand-in for the agent's model API on loopback, with Node's own http module: the
// Messages API, streamed (server-sent events) or not, as the agent asks.
//   node model-stand-in.mjs <port file> <mode>
// mode "failing-command": the first turn asks for a Bash command that runs over ten seconds
//   and fails; once the command's result is back, a final text.
// mode "server-error": every request is answered with HTTP 500.
// It listens on 127.0.0.1 on a port the system picks and writes that port to <port file>.
import http from 'node:http';
import fs from 'node:fs';

const [portFile, mode] = process.argv.slice(2);
export const failingCommand = 'sleep 11; echo "2 tests failed" >&2; exit 3';
let nextId = 1;

function hasToolResult(messages) {
  const last = messages?.[messages.length - 1];
  return Array.isArray(last?.content) && last.content.some((block) => block.type === 'tool_result');
}

function offersBash(tools) {
  return Array.isArray(tools) && tools.some((tool) => tool.name === 'Bash');
}

// The content of the answer to one request.
function answerFor(request) {
  if (offersBash(request.tools) && !hasToolResult(request.messages)) {
    return {
      stopReason: 'tool_use',
      blocks: [
        { type: 'text', text: 'Running the tests.' },
        {
          type: 'tool_use', id: `toolu_standin_${nextId++}`, name: 'Bash',
          input: { command: failingCommand, description: 'Run the tests' },
        },
      ],
    };
  }
  return { stopReason: 'end_turn', blocks: [{ type: 'text', text: 'The tests failed: 2 tests failed.' }] };
}

function messageShell(request) {
  return {
    id: `msg_standin_${nextId++}`, type: 'message', role: 'assistant', model: request.model ?? 'stand-in',
    content: [], stop_reason: null, stop_sequence: null,
    usage: { input_tokens: 10, output_tokens: 1, cache_creation_input_tokens: 0, cache_read_input_tokens: 0 },
  };
}

function sendWhole(response, request, answer) {
  const message = messageShell(request);
  message.content = answer.blocks;
  message.stop_reason = answer.stopReason;
  message.usage.output_tokens = 20;
  response.writeHead(200, { 'content-type': 'application/json', 'request-id': 'req_standin' });
  response.end(JSON.stringify(message));
}

function sendStream(response, request, answer) {
  response.writeHead(200, {
    'content-type': 'text/event-stream', 'cache-control': 'no-cache', 'request-id': 'req_standin',
  });
  const send = (type, data) => response.write(`event: ${type}\ndata: ${JSON.stringify({ type, ...data })}\n\n`);
  send('message_start', { message: messageShell(request) });
  answer.blocks.forEach((block, index) => {
    if (block.type === 'text') {
      send('content_block_start', { index, content_block: { type: 'text', text: '' } });
      send('content_block_delta', { index, delta: { type: 'text_delta', text: block.text } });
    } else {
      send('content_block_start', { index, content_block: { type: 'tool_use', id: block.id, name: block.name, input: {} } });
      send('content_block_delta', { index, delta: { type: 'input_json_delta', partial_json: JSON.stringify(block.input) } });
    }
    send('content_block_stop', { index });
  });
  send('message_delta', { delta: { stop_reason: answer.stopReason, stop_sequence: null }, usage: { output_tokens: 20 } });
  send('message_stop', {});
  response.end();
}

const server = http.createServer((request, response) => {
  let body = '';
  request.setEncoding('utf8');
  request.on('data', (chunk) => { body += chunk; });
  request.on('end', () => {
    const path = request.url.split('?')[0];
    if (request.method !== 'POST' || !path.startsWith('/v1/messages')) {
      response.writeHead(404, { 'content-type': 'application/json' });
      response.end(JSON.stringify({ type: 'error', error: { type: 'not_found_error', message: 'not here' } }));
      return;
    }
    if (mode === 'server-error') {
      response.writeHead(500, { 'content-type': 'application/json' });
      response.end(JSON.stringify({ type: 'error', error: { type: 'api_error', message: 'Internal server error' } }));
      return;
    }
    let parsed = {};
    try { parsed = JSON.parse(body); } catch { /* answered as a plain turn */ }
    if (path.endsWith('/count_tokens')) {
      response.writeHead(200, { 'content-type': 'application/json' });
      response.end(JSON.stringify({ input_tokens: 10 }));
      return;
    }
    const answer = answerFor(parsed);
    if (parsed.stream) sendStream(response, parsed, answer); else sendWhole(response, parsed, answer);
  });
});

server.listen(0, '127.0.0.1', () => {
  fs.writeFileSync(portFile, String(server.address().port));
});
// Ends at once even with a client's keep-alive connection still open: the test waits for it.
for (const signal of ['SIGTERM', 'SIGINT']) {
  process.on(signal, () => {
    server.closeAllConnections();
    server.close(() => process.exit(0));
    setTimeout(() => process.exit(0), 1000).unref();
  });
}
