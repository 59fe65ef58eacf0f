#pragma once

#include <cstdint>

// The instrument's register map: every frame the application sends is built from these.
// A frame is 0xFF, bank, register, value, 0xF0.
namespace qv::device::reg {

inline constexpr std::uint8_t kFrameStart = 0xFF;
inline constexpr std::uint8_t kFrameEnd = 0xF0;
inline constexpr int kFrameBytes = 5;

// Commands (bank 0 unless told).
inline constexpr int kIdentification = 0;       // value 0; reply 2 bytes, id = b0 x 255 + b1
inline constexpr int kControlWord = 16;         // value: the control bits below; no reply
inline constexpr int kAllChannelSetting = 17;   // bank 0 then 1; value Gain x 32 + PinHole; 2 bytes
inline constexpr int kReadStoredByte = 32;      // bank 0 or 1, value = address; 2 bytes, b0 = byte
inline constexpr int kReadTemperature = 33;     // value 0; 2 bytes, b0 = raw temperature
inline constexpr int kBlockRead = 48;           // value = block index; 48 or 192 bytes
inline constexpr int kOpticalCalibration = 64;  // value kOpticalCalibrationStart; progress stream
inline constexpr int kPlateMode = 74;           // value 1 for the 96-well formats, else 0; no reply

inline constexpr int kOpticalCalibrationStart = 110;
inline constexpr int kCalibrationProgressEnd = 191;

// Control word bits.
inline constexpr int kControlTemperatureOn = 0x1;
inline constexpr int kControlHeating = 0x2;  // clear = cooling
inline constexpr int kControlLightOn = 0x4;

// Banks.
inline constexpr int kBankCommand = 0;
inline constexpr int kBankReadLow = 0;      // stored bytes of channels 0..127, factory bytes
inline constexpr int kBankReadHigh = 1;     // stored bytes of channels 128..383
inline constexpr int kBankStoreLow = 128;   // store channel 0..127 (register = channel)
inline constexpr int kBankStoreHigh = 129;  // store channel 128..383 (register = channel - 128)
inline constexpr int kChannelsInLowBank = 128;

// Factory temperature calibration: read at address 128 + k (bank 0), written with register
// 200 + k (bank 128), k = 0..6 (k = 7 is read along and unused).
inline constexpr int kFactoryReadAddress = 128;
inline constexpr int kFactoryWriteRegister = 200;
inline constexpr int kFactoryBytes = 7;
inline constexpr int kFactoryBytesRead = 8;
inline constexpr int kFactoryMarker = 0;      // must be 0
inline constexpr int kFactoryMonth = 1;       // 1..12
inline constexpr int kFactoryYear = 2;        // 0..99
inline constexpr int kFactoryOffsetSign = 3;  // 0 positive, 1 negative
inline constexpr int kFactoryOffsetX10 = 4;   // |offset| x 10, offset in -10..10
inline constexpr int kFactorySlopeLow = 5;    // slope x 1000, low byte, at least 1
inline constexpr int kFactorySlopeHigh = 6;   // slope x 1000, high byte; slope in 0.1..0.45

// Block reads.
inline constexpr int kAcquisitionBlockBytes = 48;
inline constexpr int kCalibrationBlockBytes = 192;

// Valid identifications (device serial numbers).
inline constexpr int kSerialMin = 10;
inline constexpr int kSerialMax = 250;

// Combined channel setting byte.
inline constexpr int settingByte(int gain, int pinHole) {
    return gain * 32 + pinHole;
}

}  // namespace qv::device::reg
