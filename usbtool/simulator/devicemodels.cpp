// Configuration, journal and the behaviour of the simulated stick and link.
#include "usbtool/simulator/devicemodels.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace d2xxsim {

using namespace d2xx;

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::vector<std::string> splitText(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    if (text.empty())
        return parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

long number(const std::string &text, long fallback)
{
    if (text.empty())
        return fallback;
    char *end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    return (end && *end == '\0' && value >= 0) ? value : fallback;
}

Bytes fromHex(const std::string &text)
{
    Bytes bytes;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(std::uint8_t(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

bool parseFault(const std::string &item, Fault &fault)
{
    std::string rest = item;
    fault = Fault{FaultKind::Read, -1, 0};
    if (const std::size_t colon = rest.find(':'); colon != std::string::npos) {
        fault.device = int(number(rest.substr(0, colon), -2));
        if (fault.device < 0)
            return false;
        rest = rest.substr(colon + 1);
    }
    if (const std::size_t at = rest.find('@'); at != std::string::npos) {
        fault.call = int(number(rest.substr(at + 1), 0));
        if (fault.call <= 0)
            return false;
        rest = rest.substr(0, at);
    }
    static const std::pair<const char *, FaultKind> kinds[] = {
        {"count", FaultKind::Count}, {"list", FaultKind::List},         {"open", FaultKind::Open},
        {"flow", FaultKind::Flow},   {"timeouts", FaultKind::Timeouts}, {"read", FaultKind::Read},
        {"write", FaultKind::Write}, {"short", FaultKind::Short},
    };
    for (const auto &k : kinds) {
        if (rest == k.first) {
            fault.kind = k.second;
            return true;
        }
    }
    return false;
}

} // namespace

Config Config::fromEnvironment()
{
    Config c;
    c.descriptions = splitText(environment("ZELVAR71_SIM_DEVICES"), ',');
    for (const std::string &item : splitText(environment("ZELVAR71_SIM_FAULTS"), ',')) {
        Fault fault;
        if (parseFault(item, fault))
            c.faults.push_back(fault);
        else
            journal("sim ignores fault " + item);
    }
    c.stickFolder = environment("ZELVAR71_SIM_STICK_DIR");
    if (const char *reply = std::getenv("ZELVAR71_SIM_STICK_REPLY")) {
        c.stickReplyOverride = true;
        c.stickReply = fromHex(reply);
    }
    c.stickPad = environment("ZELVAR71_SIM_STICK_PAD") == "1";
    c.linkOut = environment("ZELVAR71_SIM_LINK_OUT");
    c.linkIn = environment("ZELVAR71_SIM_LINK_IN");
    c.linkChunk = std::size_t(std::max(1L, number(environment("ZELVAR71_SIM_LINK_CHUNK"), 64)));
    c.linkIntervalMs = std::max(1L, number(environment("ZELVAR71_SIM_LINK_INTERVAL"), 10));
    c.linkPaced = environment("ZELVAR71_SIM_LINK_PACE") == "1";
    return c;
}

bool Config::fails(FaultKind kind, int device, int call) const
{
    for (const Fault &f : faults) {
        if (f.kind == kind && (f.device < 0 || f.device == device) && (f.call == 0 || f.call == call))
            return true;
    }
    return false;
}

void journal(const std::string &line)
{
    const char *path = std::getenv("ZELVAR71_SIM_LOG");
    if (!path || !*path)
        return;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string text = line + "\n";
    // One write per line keeps lines whole when two processes share the journal.
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

std::string hexText(const std::uint8_t *bytes, std::size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

// --- Model ---------------------------------------------------------------------------------

DeviceModel::DeviceModel(int index, std::string description, Config config)
    : m_index(index), m_description(std::move(description)), m_config(std::move(config))
{
}

void DeviceModel::setBitRate(ULONG bitRate)
{
    if (bitRate > 0)
        m_bitRate = bitRate;
}

void DeviceModel::setDataFormat(UCHAR wordLength, UCHAR stopBits, UCHAR parity)
{
    m_bitsPerCharacter = 1 + int(wordLength) + (stopBits == FT_STOP_BITS_2 ? 2 : 1) + (parity != FT_PARITY_NONE ? 1 : 0);
}

Clock::duration DeviceModel::characterTime() const
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(
        std::int64_t(m_bitsPerCharacter) * 1000000000 / std::int64_t(m_bitRate)));
}

// --- Stick ---------------------------------------------------------------------------------

namespace {

constexpr std::size_t BlockSize = 29;
constexpr std::size_t FieldLength = 8;
constexpr std::uint8_t CmdDirectory = 0xA1;
constexpr std::uint8_t CmdRead = 0xA2;
constexpr std::uint8_t CmdWrite = 0xA3;
constexpr std::uint8_t CmdDelete = 0xA4;

std::string field(const std::uint8_t *bytes)
{
    std::size_t length = 0;
    while (length < FieldLength && bytes[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char *>(bytes), length);
}

Bytes bigEndian(std::uint32_t value)
{
    return Bytes{std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)};
}

// The file on disk for a stick name and extension; empty when it cannot be one.
std::string diskName(const std::string &name, const std::string &extension)
{
    const std::string file = extension.empty() ? name : name + "." + extension;
    if (file.empty() || file == "." || file == ".." || file.find('/') != std::string::npos)
        return std::string();
    return file;
}

struct StoredFile
{
    std::string diskName;
    std::uint32_t size;
};

std::vector<StoredFile> storedFiles(const std::string &folder)
{
    std::vector<StoredFile> files;
    if (folder.empty())
        return files;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return files;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string file = entry->d_name;
        struct stat info;
        if (::stat((folder + "/" + file).c_str(), &info) == 0 && S_ISREG(info.st_mode))
            files.push_back(StoredFile{file, std::uint32_t(info.st_size)});
    }
    ::closedir(dir);
    // Newest name first: a listing never arrives already sorted.
    std::sort(files.begin(), files.end(),
              [](const StoredFile &a, const StoredFile &b) { return a.diskName > b.diskName; });
    return files;
}

bool readWholeFile(const std::string &path, Bytes &out)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    out.clear();
    std::uint8_t chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.insert(out.end(), chunk, chunk + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool writeWholeFile(const std::string &path, const Bytes &bytes, const char *mode)
{
    std::FILE *f = std::fopen(path.c_str(), mode);
    if (!f)
        return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

void StickModel::reset()
{
    m_command.clear();
    m_outbox.clear();
    m_receiving = false;
    m_incoming.clear();
}

void StickModel::purge(ULONG mask)
{
    if (mask & 1)
        m_outbox.clear();
    if (mask & 2)
        m_command.clear();
}

std::size_t StickModel::take(std::uint8_t *out, std::size_t count, Clock::time_point)
{
    if (!m_rts)
        return 0;
    const std::size_t n = std::min(count, m_outbox.size());
    std::copy_n(m_outbox.begin(), n, out);
    m_outbox.erase(m_outbox.begin(), m_outbox.begin() + std::ptrdiff_t(n));
    return n;
}

void StickModel::receive(const std::uint8_t *bytes, std::size_t count)
{
    std::size_t i = 0;
    while (i < count) {
        if (m_receiving) {
            const std::size_t n = std::min<std::size_t>(count - i, m_incomingLength - m_incoming.size());
            m_incoming.insert(m_incoming.end(), bytes + i, bytes + i + n);
            i += n;
            if (m_incoming.size() == m_incomingLength)
                storeIncoming();
            continue;
        }
        m_command.push_back(bytes[i++]);
        if (m_command.size() == BlockSize) {
            const Bytes block = m_command;
            m_command.clear();
            runCommand(block.data());
        }
    }
}

void StickModel::answer(Bytes reply, const Bytes &data)
{
    if (config().stickReplyOverride)
        reply = config().stickReply;
    m_outbox.assign(reply.begin(), reply.end());
    m_outbox.insert(m_outbox.end(), data.begin(), data.end());
    if (config().stickPad)
        while ((m_outbox.size() - reply.size()) % 256 != 0)
            m_outbox.push_back(0);
}

void StickModel::runCommand(const std::uint8_t *block)
{
    const std::size_t n = block[0];
    unsigned sum = 0;
    for (std::size_t i = 0; i <= n && i < BlockSize; ++i)
        sum += block[i];
    if ((n != 10 && n != 18 && n != 22) || sum % 256 != 0) {
        journal("stick " + name() + " refuses block " + hexText(block, BlockSize));
        m_outbox.clear();
        return;
    }
    const std::string extension = field(block + 2);
    const std::string fileName = n > 10 ? field(block + 10) : std::string();
    const std::string folder = config().stickFolder;

    switch (block[1]) {
    case CmdDirectory: {
        Bytes listing;
        for (const StoredFile &f : storedFiles(folder)) {
            const std::size_t point = f.diskName.rfind('.');
            const std::string stem = point == std::string::npos ? f.diskName : f.diskName.substr(0, point);
            const std::string ext = point == std::string::npos ? std::string() : f.diskName.substr(point + 1);
            Bytes entry(32, 0);
            std::copy_n(ext.begin(), std::min(ext.size(), FieldLength), entry.begin());
            std::copy_n(stem.begin(), std::min(stem.size(), FieldLength), entry.begin() + FieldLength);
            const Bytes size = bigEndian(f.size);
            std::copy(size.begin(), size.end(), entry.begin() + 2 * FieldLength);
            listing.insert(listing.end(), entry.begin(), entry.end());
        }
        const auto length = std::uint32_t(listing.size());
        answer(Bytes{CmdDirectory, std::uint8_t(length >> 16), std::uint8_t(length >> 8), std::uint8_t(length)},
               listing);
        return;
    }
    case CmdRead: {
        const std::string file = diskName(fileName, extension);
        Bytes content;
        if (file.empty() || folder.empty() || !readWholeFile(folder + "/" + file, content)) {
            answer(Bytes{0xFF, 0xFF, 0xFF, 0xFF});
            return;
        }
        answer(bigEndian(std::uint32_t(content.size())), content);
        return;
    }
    case CmdWrite: {
        const std::string file = diskName(fileName, extension);
        if (file.empty() || folder.empty()) {
            answer(Bytes{0xFF, 0xFF, 0xFF, 0xFF});
            return;
        }
        m_incomingName = file;
        m_incomingLength = std::uint32_t(block[18]) << 24 | std::uint32_t(block[19]) << 16
            | std::uint32_t(block[20]) << 8 | std::uint32_t(block[21]);
        m_incoming.clear();
        m_receiving = true;
        answer(Bytes{0, 0, 0, 1});
        if (m_incomingLength == 0)
            storeIncoming();
        return;
    }
    case CmdDelete: {
        const bool everything = std::all_of(block + 2, block + 10, [](std::uint8_t b) { return b == 0xFF; })
            && std::all_of(block + 10, block + 18, [](std::uint8_t b) { return b == 0; });
        if (everything) {
            for (const StoredFile &f : storedFiles(folder))
                ::unlink((folder + "/" + f.diskName).c_str());
            journal("stick " + name() + " formatted");
            answer(Bytes{0, 0, 0, 0});
            return;
        }
        const std::string file = diskName(fileName, extension);
        if (file.empty() || folder.empty() || ::unlink((folder + "/" + file).c_str()) != 0) {
            // Unknown file: the stick stays silent.
            m_outbox.clear();
            return;
        }
        journal("stick " + name() + " deleted " + file);
        answer(Bytes{0, 0, 0, 0});
        return;
    }
    default:
        journal("stick " + name() + " refuses block " + hexText(block, BlockSize));
        m_outbox.clear();
    }
}

void StickModel::storeIncoming()
{
    m_receiving = false;
    const std::string path = config().stickFolder + "/" + m_incomingName;
    const bool ok = writeWholeFile(path, m_incoming, "wb");
    journal("stick " + name() + (ok ? " stored " : " failed to store ") + m_incomingName + " "
            + std::to_string(m_incoming.size()) + " bytes");
    m_incoming.clear();
}

// --- Link ----------------------------------------------------------------------------------

LinkModel::LinkModel(int index, std::string description, Config config)
    : DeviceModel(index, std::move(description), std::move(config))
{
    if (!this->config().linkIn.empty() && !readWholeFile(this->config().linkIn, m_source))
        m_source.clear();
}

std::size_t LinkModel::released(Clock::time_point now) const
{
    if (config().linkPaced)
        return std::min(m_source.size(), std::size_t((now - m_opened) / characterTime()));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_opened).count();
    const std::size_t chunks = std::size_t(elapsed / config().linkIntervalMs) + 1;
    return std::min(m_source.size(), chunks * config().linkChunk);
}

std::size_t LinkModel::pending() const
{
    return released(Clock::now()) - m_position;
}

Clock::time_point LinkModel::readyBy(std::size_t wanted) const
{
    if (released(Clock::now()) >= m_source.size())
        return Clock::time_point::max();
    const std::size_t target = std::min(m_source.size(), m_position + wanted);
    if (config().linkPaced)
        return m_opened + characterTime() * std::int64_t(target);
    // The chunk that brings byte `target` in.
    const std::size_t chunks = (target + config().linkChunk - 1) / config().linkChunk;
    return m_opened + std::chrono::milliseconds(std::int64_t(chunks - 1) * config().linkIntervalMs);
}

Clock::duration LinkModel::transmitTime(std::size_t count) const
{
    return config().linkPaced ? characterTime() * std::int64_t(count) : Clock::duration::zero();
}

std::size_t LinkModel::take(std::uint8_t *out, std::size_t count, Clock::time_point now)
{
    const std::size_t n = std::min(count, released(now) - m_position);
    std::copy_n(m_source.begin() + std::ptrdiff_t(m_position), n, out);
    m_position += n;
    return n;
}

void LinkModel::receive(const std::uint8_t *bytes, std::size_t count)
{
    if (config().linkOut.empty())
        return;
    writeWholeFile(config().linkOut, Bytes(bytes, bytes + count), "ab");
}

void LinkModel::purge(ULONG mask)
{
    // Bytes already released are dropped; the rest still come.
    if (mask & 1)
        m_position = released(Clock::now());
}

std::unique_ptr<DeviceModel> makeModel(int index, const std::string &description, const Config &config)
{
    if (description == "kzt_dmx20")
        return std::make_unique<StickModel>(index, description, config);
    if (description == "kzt_usb_dmx")
        return std::make_unique<LinkModel>(index, description, config);
    return std::make_unique<SilentModel>(index, description, config);
}

} // namespace d2xxsim
