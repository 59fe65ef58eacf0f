#include "acquisition/basic_instrument_care.h"

#include "device/register_map.h"

namespace qv {

int controlWord(bool temperatureControlOn, bool heating, bool lightOn) {
    return (temperatureControlOn ? device::reg::kControlTemperatureOn : 0) |
           (heating ? device::reg::kControlHeating : 0) |
           (lightOn ? device::reg::kControlLightOn : 0);
}

void BasicInstrumentCare::lightAndTemperatureOff() {
    state_.tempControlOn = false;
    state_.lightOn = false;
    com_.WriteRegister(device::reg::kControlWord,
                       static_cast<std::int16_t>(controlWord(false, state_.heating, false)),
                       device::reg::kBankCommand);
}

}  // namespace qv
