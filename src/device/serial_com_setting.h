#pragma once

#include <filesystem>

#include "common/ui.h"
#include "device/connection.h"
#include "store/app_config.h"
#include "store/store.h"

namespace qv::device {

// Saving the chosen port as Serial_COM of config.dat, for the Connection: into the store's
// configuration record, or into a record and application folder of the caller's.
Connection::SaveSerialCom saveSerialComTo(Store& store);
Connection::SaveSerialCom saveSerialComTo(const std::filesystem::path& applicationFolder,
                                          AppConfig& config, Ui& ui);

}  // namespace qv::device
