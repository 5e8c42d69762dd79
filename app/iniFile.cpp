// The settings file on disk: bounded reads and atomic write-through of the
// INI document. See iniFile.h for the contract.
#include "app/iniFile.h"

#include <fstream>
#include <random>
#include <system_error>

namespace orbel::ini {

namespace fs = std::filesystem;

namespace {

std::string hex64(std::uint64_t v) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, v >>= 4)
        s[static_cast<std::size_t>(i)] = digits[v & 0xF];
    return s;
}

// The temporary lives beside the target so the rename stays on one volume
// and replaces the file in one step: a reader sees the old file or the new
// one, never a truncated one. Without platform calls there is no fsync, so
// this guards against a crash of the program, not against power loss.
bool writeAtomically(const fs::path& path, const std::string& bytes,
                     std::optional<fs::perms> perms) {
    std::random_device rd;
    fs::path tmp;
    std::error_code ec;
    for (int attempt = 0;; ++attempt) {
        if (attempt == 8) return false;
        const std::uint64_t r = (static_cast<std::uint64_t>(rd()) << 32) ^ rd();
        tmp = path;
        tmp += "." + hex64(r) + ".tmp";
        if (!fs::exists(tmp, ec) && !ec) break;
    }
    bool ok = false;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.flush();
            ok = static_cast<bool>(out);
            out.close();
            ok = ok && !out.fail();
        }
    }
    // A rewrite must not change who may read the settings file.
    if (ok && perms) fs::permissions(tmp, *perms, fs::perm_options::replace, ec);
    if (ok) {
        fs::rename(tmp, path, ec);
        ok = !ec;
    }
    if (!ok) fs::remove(tmp, ec);
    return ok;
}

} // namespace

bool readFile(const fs::path& path, Document& doc) {
    // The type check keeps a directory, a device or a pipe (which could
    // block the open) from being read as settings.
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) {
        doc.assign({});
        return true;
    }
    if (ec || !fs::is_regular_file(st)) return false;

    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // Read to the end rather than trusting a size taken beforehand: the cap
    // holds even for a file that grows meanwhile, and a settings file takes
    // one read call. Only a file longer than one chunk pays for asking its
    // size, so that an oversized one is refused without reading it.
    std::string bytes;
    char chunk[16384];
    while (in.read(chunk, sizeof chunk), in.gcount() > 0) {
        if (bytes.empty() && in.gcount() == sizeof chunk) {
            const std::uintmax_t size = fs::file_size(path, ec);
            if (ec || size > kMaxFileBytes) return false;
            bytes.reserve(static_cast<std::size_t>(size));
        }
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxFileBytes) return false;
    }
    if (in.bad()) return false;
    return doc.assign(std::move(bytes));
}

int getProfileInt(const fs::path& path, std::string_view section, std::string_view key, int def) {
    Document doc;
    if (!readFile(path, doc)) return def;
    return doc.getInt(section, key, def);
}

std::string getProfileString(const fs::path& path, std::string_view section, std::string_view key,
                             std::string_view def) {
    Document doc;
    if (!readFile(path, doc)) return std::string(def);
    auto v = doc.get(section, key);
    return v ? std::move(*v) : std::string(def);
}

bool writeProfileStrings(const fs::path& path, std::span<const Entry> entries) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    std::optional<fs::perms> perms;
    if (st.type() != fs::file_type::not_found) {
        if (ec || !fs::is_regular_file(st)) return false;
        perms = st.permissions();
    }
    Document doc;
    if (!readFile(path, doc)) return false;
    for (const Entry& e : entries)
        if (!doc.set(e.section, e.key, e.value)) return false;
    // A read-only file that already holds the values is no failure: the
    // start-up writes its settings back unchanged and must not log that.
    if (doc.edits() == 0) return true;
    // Checked on the permission bits, not by trying to open the file: an
    // administrator's open() would succeed on a read-only file.
    if (perms && (*perms & fs::perms::owner_write) == fs::perms::none) return false;
    return writeAtomically(path, doc.serialize(), perms);
}

bool writeProfileString(const fs::path& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    const Entry entry{section, key, std::string(value)};
    return writeProfileStrings(path, std::span<const Entry>(&entry, 1));
}

bool writeProfileInt(const fs::path& path, std::string_view section, std::string_view key,
                     int value) {
    return writeProfileString(path, section, key, std::to_string(value));
}

} // namespace orbel::ini
