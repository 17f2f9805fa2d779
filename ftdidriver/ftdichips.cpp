// Reading the FTDI chips from sysfs: each USB device folder's idVendor, idProduct, busnum,
// devnum, bNumInterfaces and product attributes.
#include "ftdidriver/ftdichips.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace zelvar::ftdi {

namespace {

// An attribute's text without its line end; empty when it cannot be read.
std::string attribute(const std::string &folder, const char *name)
{
    std::ifstream in(folder + "/" + name, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

bool parseNumber(const std::string &text, int base, long &value)
{
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;
    if (start == text.size())
        return false;
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str() + start, &end, base);
    return errno == 0 && end && *end == '\0';
}

} // namespace

bool isServedProduct(std::uint16_t vendor, std::uint16_t product)
{
    return vendor == FtdiVendor && (product == 0x6001 || product == 0x6010 || product == 0x6014 || product == 0x6015);
}

std::vector<Chip> scanChips(const std::string &devicesFolder)
{
    std::vector<Chip> chips;
    DIR *dir = ::opendir(devicesFolder.c_str());
    if (!dir)
        return chips;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        // Interfaces ("1-2:1.0") and the folder's own entries carry no device attributes.
        if (name.empty() || name[0] == '.' || name.find(':') != std::string::npos)
            continue;
        const std::string folder = devicesFolder + "/" + name;
        long vendor = 0, product = 0, bus = 0, address = 0, interfaces = 1;
        if (!parseNumber(attribute(folder, "idVendor"), 16, vendor)
            || !parseNumber(attribute(folder, "idProduct"), 16, product)
            || !isServedProduct(std::uint16_t(vendor), std::uint16_t(product))
            || !parseNumber(attribute(folder, "busnum"), 10, bus)
            || !parseNumber(attribute(folder, "devnum"), 10, address))
            continue;
        if (!parseNumber(attribute(folder, "bNumInterfaces"), 10, interfaces) || interfaces < 1)
            interfaces = 1;
        Chip chip;
        chip.sysfsName = name;
        chip.bus = int(bus);
        chip.address = int(address);
        chip.vendor = std::uint16_t(vendor);
        chip.product = std::uint16_t(product);
        chip.interfaceCount = int(std::min(interfaces, 4L));
        chip.productText = attribute(folder, "product");
        chip.serialText = attribute(folder, "serial");
        chips.push_back(chip);
    }
    ::closedir(dir);
    std::sort(chips.begin(), chips.end(), [](const Chip &a, const Chip &b) {
        return a.bus != b.bus ? a.bus < b.bus : a.address < b.address;
    });
    return chips;
}

std::vector<Port> portsOf(const std::vector<Chip> &chips)
{
    std::vector<Port> ports;
    for (const Chip &chip : chips) {
        for (int i = 0; i < chip.interfaceCount; ++i) {
            Port port;
            port.chip = chip;
            port.interfaceIndex = i;
            port.description = chip.productText;
            if (chip.interfaceCount > 1) {
                port.description += ' ';
                port.description += char('A' + i);
            }
            if (port.description.size() > DescriptionLimit)
                port.description.resize(DescriptionLimit);
            ports.push_back(port);
        }
    }
    return ports;
}

std::string deviceNode(int bus, int address)
{
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", bus, address);
    return node;
}

Access accessTo(const Chip &chip)
{
    const int fd = ::open(deviceNode(chip.bus, chip.address).c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return Access::Granted;
    }
    return (errno == EACCES || errno == EPERM) ? Access::Denied : Access::Missing;
}

std::string describe(const Port &port)
{
    const std::string name = port.description.empty() ? std::string("FTDI chip") : port.description;
    return name + " on bus " + std::to_string(port.chip.bus) + " device " + std::to_string(port.chip.address);
}

} // namespace zelvar::ftdi
