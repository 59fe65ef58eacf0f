#include "device/connection.h"

#include <cctype>
#include <charconv>
#include <exception>
#include <optional>

#include "device/com_names.h"

namespace qv::device {

namespace {

// The typed port number as the input box reads it: leading blanks, then digits.
std::optional<int> leadingNumber(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
    int n = 0;
    const auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), n);
    if (ec != std::errc() || end == text.data() + pos) {
        return std::nullopt;
    }
    return n;
}

}  // namespace

Connection::Probe Connection::probe(int port, int attempts, int pauseMs) {
    ModComm& comm = com_.comm();
    const std::int32_t rc = comm.CommOpen(port, comName(port), kSerialSettings);
    if (rc != 0) {
        // A port that failed half way through opening is still in the table; a port in use
        // (-1) belongs to someone else and stays as it is.
        if (rc != -1) {
            comm.CommClose(port);
        }
        return {};
    }
    Probe p{true, -1};
    for (int i = 0; i < attempts && !isSerialNumber(p.id); ++i) {
        clock_.sleepMs(pauseMs);
        p.id = com_.identificationQuery();
    }
    return p;
}

void Connection::showOpening(int port) {
    view_.lbl_autochannel = "Opening Port [" + std::to_string(port) + "]";
    ui_.processEvents();
    clock_.sleepMs(100);
}

void Connection::portSearch() {
    LinkState& s = state();
    try {
        bool found = false;
        showOpening(s.currentPort);
        const Probe first = probe(s.currentPort, 1, 0);
        if (first.opened) {
            com_.comm().CommClose(s.currentPort);
            found = isSerialNumber(first.id);
            s.serialNumber = static_cast<std::int16_t>(found ? first.id : 0);
        }
        if (!found) {
            s.currentPort = 0;
            found = searchFrom1();
        }
        if (!found) {
            found = askForPort(s.currentPort);
        }
        if (found && !s.offline && !com_.comm().isOpen(s.currentPort)) {
            com_.comm().CommOpen(s.currentPort, comName(s.currentPort), kSerialSettings);
        }
    } catch (const std::exception&) {
        s.offline = true;
    }
}

bool Connection::searchFrom1() {
    LinkState& s = state();
    while (s.currentPort < lastSearchPort_) {
        const int n = s.currentPort + 1;
        s.currentPort = static_cast<std::int16_t>(n);
        showOpening(n);
        const Probe p = probe(n, 2, 10);
        if (!p.opened) {
            continue;
        }
        com_.comm().CommClose(n);
        if (isSerialNumber(p.id)) {
            s.serialNumber = static_cast<std::int16_t>(p.id);
            view_.LblNews = "Status = Connected on COM[ " + std::to_string(n) + " ]";
            view_.lbl_autochannel = "Connected on COM[ " + std::to_string(n) + " ]";
            return true;
        }
    }
    return false;
}

// The user may name the port. It is saved once it opens, then identified like any other:
// only an instrument that names itself makes the program connected, so a port with nothing
// behind it (or an instrument that stays silent) ends offline instead of a connection that
// can never talk.
bool Connection::askForPort(int lastPort) {
    LinkState& s = state();
    const std::optional<std::string> answer =
        ui_.input("COM(" + std::to_string(lastPort) +
                      ") PORT ERROR. Type New Port number or <Enter> to go Offline",
                  "", "");
    const std::optional<int> n = answer ? leadingNumber(*answer) : std::nullopt;
    if (!n || *n < 1 || *n > kSearchPorts) {
        s.offline = true;
        return false;
    }
    s.currentPort = static_cast<std::int16_t>(*n);
    const Probe p = probe(*n, 2, 10);
    if (!p.opened) {
        ui_.message("Invalid Port Number. Offline Mode");
        s.offline = true;
        return false;
    }
    com_.comm().CommClose(*n);
    save_(s.currentPort);
    if (!isSerialNumber(p.id)) {
        s.serialNumber = 0;
        s.offline = true;
        return false;
    }
    s.serialNumber = static_cast<std::int16_t>(p.id);
    view_.LblNews = "Status = Connected on COM[ " + std::to_string(*n) + " ]";
    view_.lbl_autochannel = "Connected on COM[ " + std::to_string(*n) + " ]";
    return true;
}

void Connection::tickComMenu(int port) {
    view_.mncom.fill(false);
    if (port >= 1 && port <= kSearchPorts) {
        view_.mncom[static_cast<std::size_t>(port - 1)] = true;
    }
}

void Connection::connectAction() {
    LinkState& s = state();
    view_.frm_autotext = true;
    view_.startScreenShown = false;
    view_.lbl_autochannel = "STARTING.....";
    view_.lbl_autotext = "CONNECTING:";
    portSearch();
    tickComMenu(s.currentPort);
    s.temperatureOffset = kDefaultTemperatureOffset;
    s.temperatureSlope = kDefaultTemperatureSlope;
    if (s.offline) {
        view_.lbl_autochannel = "Equipment not found";
        ui_.message("PORT NOT FOUND");
        view_.startScreenShown = true;
    } else {
        view_.lbl_autochannel = "Reading Factory Calibration...";
        ui_.processEvents();
        s.connected = true;
        readFactoryCalibration();
    }
    view_.frm_autotext = false;
    view_.lbl_autochannel.clear();
    view_.lbl_autotext.clear();
}

void Connection::readFactoryCalibration() {
    LinkState& s = state();
    for (int i = 0; i < 10; ++i) {
        ui_.processEvents();
    }
    com_.comm().CommFlush(s.currentPort);
    for (int i = 0; i < 10; ++i) {
        ui_.processEvents();
    }
    const FactoryCalibration c = com_.readFactoryCalibration();
    s.factoryCalibration = c.valid;
    s.temperatureSlope = c.slope;
    s.temperatureOffset = c.offset;
    if (c.valid) {
        s.calibrationMonth = c.month;
        s.calibrationYear = c.year;
    }
}

bool Connection::confirmInstrument() {
    LinkState& s = state();
    if (!s.connected) {
        return false;
    }
    int id = -1;
    for (int i = 0; i < 2 && !isSerialNumber(id); ++i) {
        clock_.sleepMs(10);
        id = com_.identificationQuery();
    }
    if (isSerialNumber(id)) {
        return true;
    }
    com_.comm().CommClose(s.currentPort);
    s.connected = false;
    s.offline = true;
    s.serialNumber = 0;
    return false;
}

void Connection::chooseComPort(int n) {
    tickComMenu(n);
    state().currentPort = static_cast<std::int16_t>(n);
    save_(state().currentPort);
}

void Connection::disconnect() {
    LinkState& s = state();
    if (!s.offline) {
        com_.comm().CommClose(s.currentPort);
        s.connected = false;
    }
}

}  // namespace qv::device
