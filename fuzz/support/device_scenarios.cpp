#include "support/device_scenarios.h"

#include <algorithm>
#include <bit>
#include <optional>

#include "acquisition/block_reply.h"
#include "device/com_module.h"
#include "device/com_names.h"
#include "device/connection.h"
#include "device/mod_comm.h"
#include "support/fuzz_support.h"

namespace qv::fuzz {

using namespace qv::device;

namespace {

const std::string kWriteError = "Ops...Data Writing ERROR: reg(";

void checkCalibration(const LinkState& s) {
    if (s.factoryCalibration) {
        check(s.temperatureSlope >= 0.1 && s.temperatureSlope <= 0.45 &&
                  s.temperatureOffset >= -10 && s.temperatureOffset <= 10 &&
                  s.calibrationMonth >= 1 && s.calibrationMonth <= 12 && s.calibrationYear >= 0 &&
                  s.calibrationYear <= 99,
              "an implausible factory calibration was accepted");
    } else {
        check(s.temperatureSlope == kDefaultTemperatureSlope &&
                  s.temperatureOffset == kDefaultTemperatureOffset,
              "a rejected factory calibration left its values");
    }
}

bool knownMessage(const std::string& m) {
    return m == "PORT NOT FOUND" || m == "Invalid Port Number. Offline Mode" ||
           m.starts_with(kWriteError);
}

void registerOperations(ComModule& com, int channel, int k) {
    const int id = com.identificationQuery();
    check(id >= -1 && id <= 255 * 255 + 255, "identification out of range");
    const int t = com.QueryRegister(33, 0, 0);
    check(t >= -1 && t <= 255, "query result out of range");
    const int stored = com.readChannelSetting(channel);
    check(stored >= -1 && stored <= 255, "stored setting out of range");
    const int all = com.allChannelSetting(3, 2);
    check(all == 1 || all == -1, "all-channel setting result");
    const int write = com.verifiedChannelWrite(channel, 31, 7);
    check(write == 1 || write == -1, "verified write result");
    const int factory = com.factoryCalibrationWrite(k, 12);
    check(factory == 1 || factory == -1, "factory write result");
    for (int pieces : {1, 2}) {
        check(com.blockRead(8, 192, pieces).size() <= 192, "a block read returned more than asked");
    }
    check(com.blockRead(0, 48).size() <= 48, "a block read returned more than asked");
    const FactoryCalibration c = com.readFactoryCalibration();
    if (c.valid) {
        check(c.slope >= 0.1 && c.slope <= 0.45 && c.offset >= -10 && c.offset <= 10,
              "an implausible factory calibration read as valid");
    }
}

}  // namespace

void deviceScenario(InstrumentLine& line, Clock& clock, int choices) {
    const int channel = (choices >> 1) * 3;  // 0..381, both banks
    InProcessBackend backend(clock);
    backend.attach(comName(4), line);
    backend.attach(comName(9), line);
    ModComm comm(backend, clock);
    LinkState state;
    FuzzUi ui({}, (choices & 1) ? std::vector<std::string>{"4"} : std::vector<std::string>{});
    ComModule com(comm, clock, ui, state);
    std::vector<std::int16_t> saved;
    Connection connection(com, clock, ui, [&](std::int16_t p) { saved.push_back(p); });

    mustNotThrow("connectAction", [&] { connection.connectAction(); });
    check(state.offline != state.connected, "neither offline nor connected, or both");
    if (state.connected) {
        check(comm.isOpen(state.currentPort), "connected without an open port");
        check(isSerialNumber(state.serialNumber) || !saved.empty(),
              "connected to something that is no instrument");
    } else {
        check(!comm.isOpen(4) && !comm.isOpen(9), "offline with a port left open");
        state.currentPort = 4;
        comm.CommOpen(4, comName(4), kSerialSettings);
    }
    checkCalibration(state);
    check(!backend.lineState(comName(state.currentPort), ModemLine::Rts) &&
              !backend.lineState(comName(state.currentPort), ModemLine::Dtr),
          "modem lines left raised after identification");
    mustNotThrow("the register operations", [&] { registerOperations(com, channel, choices % 7); });
    for (const std::string& m : ui.messages) {
        check(knownMessage(m), "an unexpected message: " + m);
    }
}

namespace {

// The reply rules read step by step: a pair is a high byte (parity bit 7, high part bits
// 0..6, at most 15) and a low byte; the one bits of the low byte and of bits 0..3 of the high
// byte are odd exactly when the parity bit is set.
BlockReply plainDecode(const Bytes& reply) {
    BlockReply r;
    r.shortReply = reply.size() != kBlockReplyBytes;
    if (r.shortReply) {
        return r;
    }
    for (int i = 0; i < kBlockReplyValues; ++i) {
        const int hi = reply[2 * i];
        const int lo = reply[2 * i + 1];
        int high = hi & 0x7F;
        const int ones = std::popcount(static_cast<unsigned>(lo)) +
                         std::popcount(static_cast<unsigned>(hi & 0x0F));
        if (high > 15) {
            high = 15;
            r.pairFailed = true;
        }
        if ((ones % 2 == 1) != ((hi & 0x80) != 0)) {
            r.pairFailed = true;
        }
        r.values[i] = static_cast<std::int16_t>(high * 256 + lo);
    }
    r.good = !r.pairFailed;
    return r;
}

// What a good read writes into column s of the model block, and what a bad one holds.
void plainStore(SampleBlock& b, int r, int s, const BlockReply& reply) {
    for (int m = 0; m < kBlockReplyGroups; ++m) {
        const int n = 2 * r + 2 * m;
        for (int bank = 0; bank < kBanks; ++bank) {
            const std::int16_t v = reply.values[3 * m + bank];
            b.at(n + kBankChannels * bank, s) = std::max<std::int16_t>(v, 0);
            b.at(n + 1 + kBankChannels * bank, s) = 0;
        }
    }
}

void plainHold(SampleBlock& b, int r, int s) {
    if (s < 2) {
        return;
    }
    for (int k = 0; k < kChannelsPerRead; ++k) {
        for (int bank = 0; bank < kBanks; ++bank) {
            const int c = 2 * r + k + kBankChannels * bank;
            b.at(c, s) = b.at(c, s - 1);
        }
    }
}

void readPass(ComModule& com, int step, int s, SampleBlock& block, SampleBlock& model) {
    for (int r = 0; r < 64; r += step) {
        const Bytes reply = com.blockRead(r, kBlockReplyBytes);
        BlockReply decoded;
        mustNotThrow("decodeBlockReply", [&] { decoded = decodeBlockReply(reply); });
        const BlockReply plain = plainDecode(reply);
        check(decoded.good == plain.good && decoded.shortReply == plain.shortReply &&
                  decoded.pairFailed == plain.pairFailed,
              "the reply's verdict differs from the reply rules");
        if (decoded.good) {
            check(decoded.values == plain.values, "values differ from the reply rules");
            storeBlockReply(block, r, s, decoded);
            plainStore(model, r, s, plain);
        } else {
            holdBlockRead(block, r, s);
            plainHold(model, r, s);
        }
        check(block == model, "the sample block differs from the reply rules");
    }
}

// 192 bytes in one read or two halves, 96 values without parity.
void serviceReads(ComModule& com) {
    for (int b : {0, 32, 64, 96}) {
        const Bytes reply = com.blockRead(b, kServiceReplyBytes, b % 64 == 0 ? 1 : 2);
        std::optional<std::array<std::int16_t, kServiceReplyValues>> values;
        mustNotThrow("decodeServiceReply", [&] { values = decodeServiceReply(reply); });
        check(values.has_value() == (reply.size() == kServiceReplyBytes),
              "a service reply accepted at the wrong length");
        for (int i = 0; values && i < kServiceReplyValues; ++i) {
            const int expected = std::min<int>(reply[2 * i], 15) * 256 + reply[2 * i + 1];
            check((*values)[i] == expected, "a service value differs from the reply");
            const int c = serviceReplyChannel(b, i);
            check(c >= 0 && c < SampleBlock::kBeams, "a service value belongs to no channel");
        }
    }
}

}  // namespace

void blockScenario(InstrumentLine& line, Clock& clock, int choices,
                   const std::function<bool()>& more) {
    InProcessBackend backend(clock);
    backend.attach(comName(4), line);
    ModComm comm(backend, clock);
    LinkState state;
    FuzzUi ui;
    ComModule com(comm, clock, ui, state);
    comm.CommOpen(4, comName(4), kSerialSettings);
    // The plate mode frame puts the instrument in the acquisition form.
    com.WriteRegister(74, (choices & 1) ? 1 : 0, 0);

    const int step = readIndexStep((choices & 1) ? "w96u" : "w384");
    check(step == ((choices & 1) ? 16 : 8), "read step of the plate format");
    constexpr int kRtBuffer = 6;
    SampleBlock block(kRtBuffer);
    SampleBlock model(kRtBuffer);
    for (int s = (choices >> 1) & 3; s < kRtBuffer && more(); ++s) {
        readPass(com, step, s, block, model);
    }
    // An identification puts the instrument back in the service form.
    com.identificationQuery();
    serviceReads(com);
}

}  // namespace qv::fuzz
