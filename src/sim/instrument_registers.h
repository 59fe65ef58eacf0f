#pragma once

// The frames the instrument's firmware understands, as the firmware reads them.
namespace qv::sim::fw {

inline constexpr unsigned kStart = 0xFF;
inline constexpr unsigned kEnd = 0xF0;

inline constexpr int kIdentify = 0;
inline constexpr int kControl = 16;
inline constexpr int kSetAll = 17;
inline constexpr int kReadStored = 32;
inline constexpr int kTemperature = 33;
inline constexpr int kBlock = 48;
inline constexpr int kCalibrate = 64;
inline constexpr int kCalibrateKey = 110;
inline constexpr int kPlateMode = 74;

inline constexpr int kStoreLow = 128;   // channels 0..127, factory bytes at 200..206
inline constexpr int kStoreHigh = 129;  // channels 128..383
inline constexpr int kFactoryStore = 200;
inline constexpr int kFactoryAddress = 128;  // read at 128..135
inline constexpr int kFactorySize = 8;

inline constexpr int kProgressLast = 191;

}  // namespace qv::sim::fw
