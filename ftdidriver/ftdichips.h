// The FTDI chips on the USB buses as sysfs shows them, without opening any: which ones there
// are, their descriptions, and whether this user may open them. Shared by the driver library
// and zelvar71-cli.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelvar::ftdi {

inline constexpr std::uint16_t FtdiVendor = 0x0403;

// The product ids the driver serves: FT232R/FT245R, FT2232, FT232H and the FT-X family.
bool isServedProduct(std::uint16_t vendor, std::uint16_t product);

// One chip as sysfs describes it.
struct Chip
{
    std::string sysfsName; // "1-2.3"
    int bus = 0;
    int address = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    int interfaceCount = 1;
    std::string productText; // the USB product string; empty when the chip has none
    std::string serialText;  // the USB serial number; empty when the chip has none
};

// One device in the D2XX sense: a chip, or one port of a chip with several.
struct Port
{
    Chip chip;
    int interfaceIndex = 0;
    // The product string, with " A", " B"... for the ports of a chip with several, at most
    // DescriptionLimit bytes.
    std::string description;
};

// What FT_ListDevices may store, its terminating zero not counted.
inline constexpr std::size_t DescriptionLimit = 63;

// Every served chip under `devicesFolder`, by bus and device number. Reads only sysfs
// attributes, which need no access to the device.
std::vector<Chip> scanChips(const std::string &devicesFolder = "/sys/bus/usb/devices");
// The chips' ports in the order FT_ListDevices numbers them.
std::vector<Port> portsOf(const std::vector<Chip> &chips);
inline std::vector<Port> scanPorts() { return portsOf(scanChips()); }

// "/dev/bus/usb/001/005".
std::string deviceNode(int bus, int address);

enum class Access { Granted, Denied, Missing };
// Whether this user may open the chip's device node (tried by opening it for reading and
// writing, which does nothing to the chip).
Access accessTo(const Chip &chip);

// "kzt_usb_dmx on bus 1 device 5".
std::string describe(const Port &port);

} // namespace zelvar::ftdi
