#!/usr/bin/env node
// KNXnet/IP tunnelling client driver for Lintor's integration tests.
//
// It opens one UDP tunnel through an npm KNX library (`knx` or `knxultimate`)
// and speaks a line protocol: commands on stdin, events on stdout.
//
//   node client.mjs --library knx|knxultimate --host 127.0.0.1 --port PORT
//                   [--phys-addr A.L.D] [--local-address IP] [--verbose]
//
// stdout (one line per event):
//   connected | written <GA> | indication <GA> <SRC> <HEX> |
//   response <GA> <SRC> <HEX> | disconnected | error <text>
// stdin (one command per line):
//   write <GA> <DPT> <VALUE> | read <GA> | disconnect      (end of input = disconnect)
//
// The libraries' own log output goes to stderr only, and is quiet unless
// --verbose is given.

import { createRequire } from 'node:module';
import readline from 'node:readline';

const require = createRequire(import.meta.url);

// ---------------------------------------------------------------------------
// stdout belongs to the line protocol. Anything else that writes to stdout
// (console.log in a library, winston's console transport) goes to stderr.
const writeStdout = process.stdout.write.bind(process.stdout);
process.stdout.write = (chunk, encoding, callback) =>
  process.stderr.write(chunk, encoding, callback);

function emit(line) {
  // Pipes and files are written synchronously by Node on Linux, so the line
  // is out before anything else happens.
  writeStdout(line + '\n');
}

function oneLine(value) {
  let text;
  if (value instanceof Error) text = value.message || String(value);
  else if (typeof value === 'string') text = value;
  else {
    try {
      text = JSON.stringify(value);
    } catch {
      text = String(value);
    }
  }
  return String(text).replace(/\s+/g, ' ').trim() || 'unknown error';
}

function emitError(what) {
  emit('error ' + oneLine(what));
}

// The one request at a time that waits for its TUNNELING_ACK: request(start)
// runs start and resolves once settle() is called, rejecting with its error.
function ackedRequests() {
  let pending = null;
  const settle = (err) => {
    const p = pending;
    pending = null;
    if (p) (err ? p.reject(err) : p.resolve());
  };
  const request = (start) =>
    new Promise((resolve, reject) => {
      pending = { resolve, reject };
      try {
        start();
      } catch (err) {
        pending = null;
        reject(err instanceof Error ? err : new Error(oneLine(err)));
      }
    });
  return { request, settle };
}

// ---------------------------------------------------------------------------
// Arguments

function usage(message) {
  if (message) process.stderr.write(message + '\n');
  process.stderr.write(
    'usage: node client.mjs --library knx|knxultimate --host HOST --port PORT\n' +
      '                       [--phys-addr A.L.D] [--local-address IP] [--verbose]\n',
  );
  process.exit(2);
}

function parseArgs(argv) {
  const opts = { library: null, host: null, port: null, physAddr: null, localAddress: null, verbose: false };
  for (let i = 0; i < argv.length; i++) {
    const arg = argv[i];
    const value = () => {
      if (i + 1 >= argv.length) usage(`missing value after ${arg}`);
      return argv[++i];
    };
    switch (arg) {
      case '--library': opts.library = value(); break;
      case '--host': opts.host = value(); break;
      case '--port': opts.port = Number(value()); break;
      case '--phys-addr': opts.physAddr = value(); break;
      case '--local-address': opts.localAddress = value(); break;
      case '--verbose': opts.verbose = true; break;
      case '--help': case '-h': usage(); break;
      default: usage(`unknown argument ${arg}`);
    }
  }
  if (opts.library !== 'knx' && opts.library !== 'knxultimate') usage('--library must be knx or knxultimate');
  if (!opts.host) usage('--host is required');
  if (!Number.isInteger(opts.port) || opts.port < 1 || opts.port > 65535) usage('--port must be 1..65535');
  if (opts.physAddr !== null && !/^\d{1,2}\.\d{1,2}\.\d{1,3}$/.test(opts.physAddr)) usage('--phys-addr must look like 1.1.250');
  // Both libraries pick the first non-loopback IPv4 interface as their local
  // address, and fail where there is none. For a server on loopback, use the
  // loopback address instead.
  if (opts.localAddress === null && /^127\./.test(opts.host)) opts.localAddress = '127.0.0.1';
  return opts;
}

// ---------------------------------------------------------------------------
// Values

const GA_RE = /^(\d{1,2})\/(\d{1,2})\/(\d{1,3})$/;

function checkGroupAddress(ga) {
  const m = GA_RE.exec(ga || '');
  if (!m || +m[1] > 31 || +m[2] > 7 || +m[3] > 255) throw new Error(`bad group address ${ga}`);
  return ga;
}

function hex(buffer) {
  if (buffer === null || buffer === undefined) return '';
  const bytes = Buffer.isBuffer(buffer) ? buffer : Buffer.from(buffer);
  return Array.from(bytes, (b) => b.toString(16).toUpperCase().padStart(2, '0')).join(' ');
}

// "DPT9.001", "9.001", "DPT5" -> { main: 9, sub: '001' | null }
function parseDpt(text) {
  const m = /^(?:DPT)?(\d+)(?:\.(\d+))?$/i.exec(text || '');
  if (!m) throw new Error(`bad datapoint type ${text}`);
  return { main: Number(m[1]), sub: m[2] ? m[2].padStart(3, '0') : null };
}

function parseValue(dpt, text) {
  if (text === undefined || text === '') throw new Error('missing value');
  if (dpt.main === 1) {
    const t = text.toLowerCase();
    if (['1', 'true', 'on'].includes(t)) return true;
    if (['0', 'false', 'off'].includes(t)) return false;
    throw new Error(`bad 1-bit value ${text}`);
  }
  if (dpt.main === 4 || dpt.main === 16) return text; // characters and strings
  if (/^[[{]/.test(text)) {
    try {
      return JSON.parse(text); // structured values, e.g. DPT2/DPT3 objects
    } catch {
      throw new Error(`bad value ${text}`);
    }
  }
  const n = Number(text);
  if (text.trim() !== '' && Number.isFinite(n)) return n;
  return text; // dates, times and the like: left to the library
}

// ---------------------------------------------------------------------------
// Library adapters. Each one offers connect(), write(), read(), disconnect()
// and reports through the callbacks in `events`:
//   connected(), indication(ga, src, buf), response(ga, src, buf),
//   closed(reason), error(text), rejected(text)

function knxAdapter(opts, events) {
  // The library's datapoint code and its banner log through log-driver's
  // default logger, which logs everything unless replaced before loading.
  require('log-driver')({ level: opts.verbose ? 'debug' : 'error' });
  const knx = require('knx');
  const dptlib = require('knx/src/dptlib');
  const conn = knx.Connection({
    ipAddr: opts.host,
    ipPort: opts.port,
    forceTunneling: true,
    manualConnect: true,
    loglevel: opts.verbose ? 'debug' : 'error',
    ...(opts.physAddr ? { physAddr: opts.physAddr } : {}),
  });
  // The library asks for a non-loopback interface only to name it in its log;
  // the tunnel itself always goes out with a 0.0.0.0:0 (NAT) endpoint.
  if (opts.localAddress) conn.getLocalAddress = () => opts.localAddress;

  let up = false;
  let closing = false;
  const { request, settle } = ackedRequests();

  conn.on('connected', () => {
    if (up) return; // a reconnect; we never get here because a drop ends the run
    up = true;
    events.connected();
  });
  // The library emits 'disconnected' each time it (re)enters its connecting
  // state, including the first time, and when a DISCONNECT_REQUEST came in.
  conn.on('disconnected', () => {
    if (!up || closing) return;
    up = false;
    // Stop the library's automatic reconnect: its CONNECT_REQUEST goes out
    // right after this event, and would leave a tunnel open on the server.
    try {
      conn.socket.close();
    } catch {}
    settle(new Error('tunnel closed'));
    events.closed('closed by the server or lost');
  });
  conn.on('event', (evt, src, dest, value) => {
    if (evt === 'GroupValue_Write') events.indication(dest, src, value);
    else if (evt === 'GroupValue_Response') events.response(dest, src, value);
  });
  conn.on('error', (err) => events.error(err));
  // Each tunnelling request goes sendDatagram -> sendTunnReq_waitACK -> idle.
  // Leaving sendTunnReq_waitACK on an inbound TUNNELING_ACK is the ack; leaving
  // it on the library's 2 s timer is reported as 'tunnelreqfailed'.
  conn.on('transition', (t) => {
    if (t.fromState === 'sendTunnReq_waitACK' && t.toState === 'idle' && /inbound_TUNNELING_ACK$/.test(t.action || '')) {
      settle(null);
    } else if (t.fromState === 'sendDatagram' && t.toState === 'idle') {
      settle(new Error('the datagram could not be sent'));
    }
  });
  conn.on('tunnelreqfailed', () => settle(new Error('no TUNNELING_ACK from the server')));

  return {
    connect() {
      conn.Connect();
      // The library gives up on a refused CONNECT_REQUEST only after a minute
      // (E_NO_MORE_CONNECTIONS) or not at all; look at the answer ourselves.
      conn.socket.on('message', (msg) => {
        if (!up && msg.length >= 8 && msg.readUInt16BE(2) === 0x0206 && msg[7] !== 0) {
          events.rejected(`connection refused by the server, status 0x${msg[7].toString(16).padStart(2, '0')}`);
        }
      });
    },
    write(ga, dpt, value) {
      const dptId = dpt.sub ? `DPT${dpt.main}.${dpt.sub}` : `DPT${dpt.main}`;
      // conn.write() only logs a bad value or an unknown DPT and sends
      // nothing; encode it once here to report the error instead.
      dptlib.populateAPDU(value, {}, dptId);
      return request(() => conn.write(ga, value, dptId));
    },
    read(ga) {
      return request(() => conn.read(ga));
    },
    disconnect() {
      closing = true;
      return new Promise((resolve) => {
        if (!up) return resolve();
        conn.Disconnect(() => resolve());
      });
    },
  };
}

function knxultimateAdapter(opts, events) {
  // The library binds its socket to the first non-loopback IPv4 interface it
  // finds (and throws where there is none); bind to the given address instead.
  if (opts.localAddress) {
    const helper = require('knxultimate/build/util/ipAddressHelper.js');
    helper.getLocalAddress = () => opts.localAddress;
  }
  const { KNXClient, dptlib } = require('knxultimate');

  // Without a subtype the library takes xxx.001, and fails where there is
  // none. For DPT5 that is the 0..100 % scaling, so a bare DPT5 means the
  // unscaled 5.010 here, as a bare DPT5 does in the `knx` library; elsewhere
  // 001 if it exists, else the lowest subtype the library knows.
  const subtypeFor = (dpt) => {
    if (dpt.sub) return dpt.sub;
    if (dpt.main === 5) return '010';
    const known = dptlib.dpts[`DPT${dpt.main}`];
    if (!known || !known.subtypes || known.subtypes['001']) return '001';
    const subs = Object.keys(known.subtypes).sort((a, b) => Number(a) - Number(b));
    return subs.length ? subs[0] : '001';
  };
  const client = new KNXClient({
    ipAddr: opts.host,
    ipPort: opts.port,
    hostProtocol: 'TunnelUDP',
    // Empty: the library takes the individual address the server assigns in
    // its CONNECT_RESPONSE as the source of what it sends.
    physAddr: opts.physAddr || '',
    loglevel: opts.verbose ? 'debug' : 'error',
  });

  let up = false;
  let closing = false;
  const { request, settle } = ackedRequests();

  client.on('connected', () => {
    if (up) return;
    up = true;
    events.connected();
  });
  client.on('disconnected', (reason) => {
    if (closing) return;
    if (!up) {
      events.rejected(`connection failed: ${oneLine(reason)}`);
      return;
    }
    up = false;
    settle(new Error('tunnel closed'));
    events.closed(reason);
  });
  // The second argument is true for the library's local echo of what we sent.
  client.on('indication', (packet, echoed) => {
    if (echoed) return;
    const cemi = packet && packet.cEMIMessage;
    if (!cemi || !cemi.npdu || !cemi.dstAddress) return;
    const ga = cemi.dstAddress.toString();
    const src = cemi.srcAddress ? cemi.srcAddress.toString() : '';
    if (cemi.npdu.isGroupWrite) events.indication(ga, src, cemi.npdu.dataValue);
    else if (cemi.npdu.isGroupResponse) events.response(ga, src, cemi.npdu.dataValue);
  });
  client.on('ackReceived', (_packet, ok) => settle(ok ? null : new Error('no TUNNELING_ACK from the server')));
  client.on('error', (err) => events.error(err));

  return {
    connect() {
      client.Connect();
    },
    write(ga, dpt, value) {
      return request(() => client.write(ga, value, `${dpt.main}.${subtypeFor(dpt)}`));
    },
    read(ga) {
      return request(() => client.read(ga));
    },
    async disconnect() {
      closing = true;
      if (!up) return;
      await client.Disconnect();
    },
  };
}

// ---------------------------------------------------------------------------
// Main

const CONNECT_TIMEOUT_MS = 10000;
const REQUEST_TIMEOUT_MS = 6000;
const DISCONNECT_TIMEOUT_MS = 5000;

const opts = parseArgs(process.argv.slice(2));

let state = 'connecting'; // connecting -> connected -> closing -> done
let adapter;
let connectedResolve;
const connectedPromise = new Promise((resolve) => (connectedResolve = resolve));

function finish(code) {
  state = 'done';
  process.exit(code);
}

const events = {
  connected() {
    if (state !== 'connecting') return;
    state = 'connected';
    clearTimeout(connectTimer);
    emit('connected');
    connectedResolve();
  },
  indication(ga, src, buf) {
    if (state === 'connected' || state === 'closing') emit(`indication ${ga} ${src} ${hex(buf)}`);
  },
  response(ga, src, buf) {
    if (state === 'connected' || state === 'closing') emit(`response ${ga} ${src} ${hex(buf)}`);
  },
  closed(reason) {
    if (state === 'done' || state === 'closing') return;
    if (opts.verbose) process.stderr.write(`tunnel closed: ${oneLine(reason)}\n`);
    emit('disconnected');
    finish(0);
  },
  error(err) {
    if (state !== 'done') emitError(err);
  },
  rejected(text) {
    if (state !== 'connecting') return;
    emitError(text);
    finish(1);
  },
};

const connectTimer = setTimeout(() => {
  if (state !== 'connecting') return;
  emitError(`no tunnel to ${opts.host}:${opts.port} within ${CONNECT_TIMEOUT_MS / 1000} s`);
  finish(1);
}, CONNECT_TIMEOUT_MS);

function withTimeout(promise, ms, what) {
  let timer;
  return Promise.race([
    promise,
    new Promise((_, reject) => {
      timer = setTimeout(() => reject(new Error(`${what}: no answer within ${ms / 1000} s`)), ms);
    }),
  ]).finally(() => clearTimeout(timer));
}

async function disconnect() {
  if (state === 'done' || state === 'closing') return;
  state = 'closing';
  try {
    await withTimeout(adapter.disconnect(), DISCONNECT_TIMEOUT_MS, 'disconnect');
  } catch (err) {
    emitError(err);
  }
  emit('disconnected');
  finish(0);
}

async function runCommand(line) {
  const words = line.trim().split(/\s+/);
  const verb = (words[0] || '').toLowerCase();
  if (verb === '' || verb.startsWith('#')) return;
  if (verb === 'disconnect' || verb === 'quit') return disconnect();
  if (state !== 'connected') return;
  try {
    if (verb === 'write') {
      // The value is the rest of the line, so that strings may hold blanks.
      const m = /^\s*\S+\s+(\S+)\s+(\S+)\s+(.*?)\s*$/.exec(line);
      if (!m) throw new Error('usage: write <GA> <DPT> <VALUE>');
      const ga = checkGroupAddress(m[1]);
      const dpt = parseDpt(m[2]);
      const value = parseValue(dpt, m[3]);
      await withTimeout(adapter.write(ga, dpt, value), REQUEST_TIMEOUT_MS, `write ${ga}`);
      emit(`written ${ga}`);
    } else if (verb === 'read') {
      if (words.length !== 2) throw new Error('usage: read <GA>');
      const ga = checkGroupAddress(words[1]);
      await withTimeout(adapter.read(ga), REQUEST_TIMEOUT_MS, `read ${ga}`);
    } else {
      throw new Error(`unknown command ${words[0]}`);
    }
  } catch (err) {
    emitError(err);
  }
}

// Commands run one after the other, each after the tunnel is up and after
// the previous one was acknowledged; the end of input is a disconnect.
let queue = connectedPromise;
const input = readline.createInterface({ input: process.stdin, terminal: false });
input.on('line', (line) => {
  queue = queue.then(() => runCommand(line));
});
input.on('close', () => {
  queue = queue.then(() => disconnect());
});
for (const signal of ['SIGINT', 'SIGTERM']) {
  process.on(signal, () => {
    if (state === 'connected') disconnect();
    else finish(state === 'connecting' ? 1 : 0);
  });
}
process.on('uncaughtException', (err) => {
  emitError(err);
  if (state === 'connecting') finish(1);
});
process.on('unhandledRejection', (err) => emitError(err));

try {
  adapter = opts.library === 'knx' ? knxAdapter(opts, events) : knxultimateAdapter(opts, events);
  adapter.connect();
} catch (err) {
  emitError(err);
  finish(1);
}
