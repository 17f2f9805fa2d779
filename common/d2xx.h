// The few declarations of the FTDI D2XX driver library that the USB transfer tool, its
// device simulator and the project's own driver library share: types, status and flag
// values, and the 17 entry points' types.
#pragma once

#include <cstdint>

namespace d2xx {

using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using UCHAR = std::uint8_t;
using FT_STATUS = ULONG;
using FT_HANDLE = void *;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_INVALID_HANDLE = 1;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
constexpr FT_STATUS FT_INVALID_BAUD_RATE = 7;

// FT_ListDevices and FT_OpenEx flag words.
constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000u;
constexpr DWORD FT_LIST_BY_INDEX = 0x40000000u;
constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;

constexpr UCHAR FT_BITS_7 = 7;
constexpr UCHAR FT_BITS_8 = 8;
constexpr UCHAR FT_STOP_BITS_1 = 0;
constexpr UCHAR FT_STOP_BITS_2 = 2;
constexpr UCHAR FT_PARITY_NONE = 0;
constexpr UCHAR FT_PARITY_SPACE = 4; // the highest parity value (odd 1, even 2, mark 3)
constexpr USHORT FT_FLOW_NONE = 0;
constexpr USHORT FT_FLOW_RTS_CTS = 0x0100;
constexpr USHORT FT_FLOW_DTR_DSR = 0x0200;
constexpr USHORT FT_FLOW_XON_XOFF = 0x0400;

// FT_Purge masks.
constexpr ULONG FT_PURGE_RX = 1;
constexpr ULONG FT_PURGE_TX = 2;

// A device description as FT_ListDevices stores it: at most 64 bytes, zero included.
constexpr int DescriptionBufferSize = 64;

using FT_ListDevices_t = FT_STATUS (*)(void *arg1, void *arg2, DWORD flags);
using FT_Write_t = FT_STATUS (*)(FT_HANDLE handle, void *buffer, DWORD count, DWORD *written);
using FT_Read_t = FT_STATUS (*)(FT_HANDLE handle, void *buffer, DWORD count, DWORD *received);
using FT_Open_t = FT_STATUS (*)(int deviceNumber, FT_HANDLE *handle);
using FT_OpenEx_t = FT_STATUS (*)(void *arg1, DWORD flags, FT_HANDLE *handle);
using FT_Close_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_SetTimeouts_t = FT_STATUS (*)(FT_HANDLE handle, ULONG readTimeoutMs, ULONG writeTimeoutMs);
using FT_SetBaudRate_t = FT_STATUS (*)(FT_HANDLE handle, ULONG bitRate);
using FT_SetDataCharacteristics_t = FT_STATUS (*)(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                                  UCHAR parity);
using FT_SetFlowControl_t = FT_STATUS (*)(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff);
using FT_ResetDevice_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_SetRts_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_ClrRts_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_SetDtr_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_ClrDtr_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_Purge_t = FT_STATUS (*)(FT_HANDLE handle, ULONG mask);
using FT_GetStatus_t = FT_STATUS (*)(FT_HANDLE handle, DWORD *rxBytes, DWORD *txBytes, DWORD *eventWord);

} // namespace d2xx
