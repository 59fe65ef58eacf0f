#pragma once

#include "acquisition/app_state.h"
#include "common/clock.h"
#include "common/ui.h"
#include "device/com_module.h"
#include "device/connection.h"
#include "device/mod_comm.h"
#include "device/serial_backend.h"
#include "device/serial_com_setting.h"
#include "store/store.h"

namespace qv {

// The serial link the program holds for the whole run: the port table on a backend (real
// ports, or instruments inside the process for tests), the instrument protocol working on the
// application's link state, and the Connect action with its port search. A port chosen by hand
// is saved as Serial_COM of the store's configuration.
struct DeviceLink {
    DeviceLink(device::SerialBackend& backend, Clock& clock, Ui& ui, AppState& state, Store& store)
        : comm(backend, clock),
          com(comm, clock, ui, state.link),
          connection(com, clock, ui, device::saveSerialComTo(store)) {}

    device::ModComm comm;
    device::ComModule com;
    device::Connection connection;
};

}  // namespace qv
