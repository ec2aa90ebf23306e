#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace lintor::fuzz {

// Each target feeds arbitrary bytes to one parser and checks what must hold
// whatever the input; a broken invariant aborts.
inline void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void serialInput(std::span<const uint8_t> data);
// The same from a cEMI module, whose messages come up as EMI records.
void moduleSerialInput(std::span<const uint8_t> data);
void downlinkStream(std::span<const uint8_t> data);
// Pieces as TPDUs and as records towards and from the bus, for the
// management telegrams' reader and the table of who talks to which device.
void managementTelegrams(std::span<const uint8_t> data);
void clientRecordStream(std::span<const uint8_t> data);
void proxyRequestStream(std::span<const uint8_t> data);
void groupValueRecord(std::span<const uint8_t> data);
void iniDocument(std::span<const uint8_t> data);
void groupAddressText(std::span<const uint8_t> data);
// Arguments separated by NUL bytes.
void commandLine(std::span<const uint8_t> data);
// Settings text, optionally followed by a NUL and a command-line device.
void settingsReader(std::span<const uint8_t> data);
void configurationFile(std::span<const uint8_t> data);
// lintor-tool's readers: the gateway's records, the proxy's lines, datapoint
// values (first byte: the type), names files.
void monitorRecordStream(std::span<const uint8_t> data);
void proxyInfoLines(std::span<const uint8_t> data);
void datapointValue(std::span<const uint8_t> data);
void groupNamesFile(std::span<const uint8_t> data);
// KNXnet/IP: steps of length, action and bytes (datagrams from two clients,
// uplink records, time passing, the bus going up or down).
void knxipDatagrams(std::span<const uint8_t> data);

}  // namespace lintor::fuzz
