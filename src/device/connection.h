#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "common/clock.h"
#include "common/ui.h"
#include "device/com_module.h"

namespace qv::device {

// Ports the search tries, and the items of the COM menu.
inline constexpr int kSearchPorts = 15;

// What the windows show while connecting, under the controls' own names. A window renders
// it whenever the connection lets events through (Ui::processEvents) and after each action.
struct ConnectionView {
    bool frm_autotext = false;  // status panel of the main window
    std::string lbl_autotext;
    std::string lbl_autochannel;
    std::string LblNews;                     // status line of the start screen
    std::array<bool, kSearchPorts> mncom{};  // ticks of COM1..COM15
    // Set when Connect found nothing: the start screen comes back, the main window hides.
    bool startScreenShown = false;
};

// Finding the instrument, connecting to it, choosing the port by hand and releasing it.
// Works on the link state of ComModule; saving Serial_COM is the caller's (the store's).
class Connection {
  public:
    using SaveSerialCom = std::function<void(std::int16_t port)>;

    Connection(ComModule& com, Clock& clock, Ui& ui, SaveSerialCom saveSerialCom)
        : com_(com), clock_(clock), ui_(ui), save_(std::move(saveSerialCom)) {}

    // The Connect action (`cmd_connect`, and the start screen's acquisition choice).
    void connectAction();
    // The port search: the current port, then 1..15, then the typed port. Leaves the port
    // open when an instrument identified itself there; otherwise sets offline. A typed port
    // is saved as Serial_COM once it opens, and then identified like any other port.
    void portSearch();
    // The search tries ports 1..lastPort after the current port (0..15; 15 unless a caller
    // bounds it, as a command line does when it knows where to look).
    void setLastSearchPort(int lastPort) { lastSearchPort_ = lastPort; }
    // Asks the connected instrument for its identification once more: false when it no longer
    // answers (it went away during the connection), which closes the port and sets offline.
    bool confirmInstrument();
    // COM menu item n (1..15): ticks only that item, makes it the current port and saves
    // Serial_COM. The open port is not touched; the next Connect uses the new one.
    void chooseComPort(int n);
    // `Cmd_disconnect`: closes the current port unless offline.
    void disconnect();

    const ConnectionView& view() const { return view_; }
    LinkState& state() { return com_.state(); }

  private:
    struct Probe {
        bool opened = false;
        int id = -1;
    };
    Probe probe(int port, int attempts, int pauseMs);
    void showOpening(int port);
    bool searchFrom1();
    bool askForPort(int lastPort);
    void tickComMenu(int port);
    void readFactoryCalibration();

    ComModule& com_;
    Clock& clock_;
    Ui& ui_;
    SaveSerialCom save_;
    ConnectionView view_;
    int lastSearchPort_ = kSearchPorts;
};

// An identification that names an instrument.
inline bool isSerialNumber(int id) {
    return id >= 10 && id <= 250;
}

}  // namespace qv::device
