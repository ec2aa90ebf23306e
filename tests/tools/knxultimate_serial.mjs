// knxultimate's serial FT1.2 transport on a device, for the simulator's
// peer tests: node knxultimate_serial.mjs NPM_DIR DEVICE [kberry]
// stdout: "connected", "indication <GA> <source> <hex>"; stdin: "write <GA> 0|1".
import { createRequire } from 'node:module';
import readline from 'node:readline';

const [npmDir, path, kind] = process.argv.slice(2);
const { KNXClient } = createRequire(`${npmDir}/package.json`)('knxultimate');
// stdout carries the events alone; whatever the library prints goes to stderr.
const emit = process.stdout.write.bind(process.stdout);
process.stdout.write = (...args) => process.stderr.write(...args);

const client = new KNXClient({
  hostProtocol: 'SerialFT12',
  serialInterface: { path, baudRate: 19200, dataBits: 8, stopBits: 1, parity: 'even', isKBERRY: kind === 'kberry' },
  physAddr: '1.1.200',
  loglevel: 'error',
});
client.on('connected', () => emit('connected\n'));
// The second argument marks the library's echo of its own writes.
client.on('indication', (packet, echoed) => {
  const cemi = packet.cEMIMessage;
  if (echoed || !cemi.npdu.isGroupWrite) return;
  emit(`indication ${cemi.dstAddress} ${cemi.srcAddress} ${Buffer.from(cemi.npdu.dataValue).toString('hex')}\n`);
});
client.on('error', (err) => process.stderr.write(`error ${err.message}\n`));
readline
  .createInterface({ input: process.stdin })
  .on('line', (line) => {
    const [verb, ga, value] = line.trim().split(/\s+/);
    if (verb === 'write') client.write(ga, value === '1', '1.001');
  })
  .on('close', async () => {
    await client.Disconnect();
    process.exit(0);
  });
client.Connect();
