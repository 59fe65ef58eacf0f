#include "device/serial_com_setting.h"

namespace qv::device {

Connection::SaveSerialCom saveSerialComTo(Store& store) {
    return [&store](std::int16_t port) {
        store.config().Serial_COM = port;
        store.saveConfiguration();
    };
}

Connection::SaveSerialCom saveSerialComTo(const std::filesystem::path& applicationFolder,
                                          AppConfig& config, Ui& ui) {
    return [applicationFolder, &config, &ui](std::int16_t port) {
        config.Serial_COM = port;
        saveConfiguration(applicationFolder, config, ui);
    };
}

}  // namespace qv::device
