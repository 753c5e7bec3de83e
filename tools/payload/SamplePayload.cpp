// vardeno-sample-payload: writes the deterministic sample payload of the installer (37 files
// with sizes and kinds like the product's: programs, drivers, libraries, a movie, a video, an
// XML file and icons) and its install script, for demos, tests and benchmarks.
//   vardeno-sample-payload OUTPUT_FOLDER
// The folder receives install.txt and the files under payload\ (as payload/...).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

enum class TKind { Program, Media, Text, Icon };

struct TSampleFile {
  const char* Entry;  // relative path with backslashes, as in the install script
  size_t Size;
  TKind Kind;
};

// In script order: the resource of entry i is Fi.
const TSampleFile kFiles[] = {
    {"Lumarc.exe", 12'812'288, TKind::Program},
    {"Pivra.exe", 4'206'592, TKind::Program},
    {"LumarcService.exe", 1'893'376, TKind::Program},
    {"UiEngine.cmp", 2'617'344, TKind::Program},
    {"UI\\KestrionUI.swf", 3'142'865, TKind::Media},
    {"Videos\\Introduction.mp4", 4'518'973, TKind::Media},
    {"Drivers\\Lightuning\\LTTUSB.dll", 98'304, TKind::Program},
    {"Drivers\\Lightuning\\MatS1SDKUT176.dll", 180'224, TKind::Program},
    {"SSL\\OpenSSL DLLs\\libeay32.dll", 1'238'016, TKind::Program},
    {"SSL\\OpenSSL DLLs\\ssleay32.dll", 276'480, TKind::Program},
    {"Drivers\\Lumarc\\x86\\Lumarc.sys", 64'128, TKind::Program},
    {"Drivers\\Lumarc\\x64\\Lumarc.sys", 78'464, TKind::Program},
    {"DLLs\\ShellEx\\x86\\VardenoShellEx.dll", 352'256, TKind::Program},
    {"DLLs\\ShellEx\\x64\\VardenoShellEx.dll", 463'872, TKind::Program},
    {"UI\\ShellEx.xml", 6'214, TKind::Text},
    {"UI\\Icons\\Secure Drive Locked.ico", 25'214, TKind::Icon},
    {"UI\\Icons\\Secure Drive Unlocked.ico", 25'214, TKind::Icon},
    {"UI\\Icons\\Kestrion Uninstaller.ico", 16'958, TKind::Icon},
    {"UI\\Icons\\ShellEx\\advanced menu.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\change pw.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\hide file.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\hide folder.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\new secure folder.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\protect folder.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\protect file.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\protect drive.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\secure wipe.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\unhide file.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\unhide folder.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\unlock.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\lock.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\uninstall.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\remove protection.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\live chat.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\ShellEx\\problem.ico", 1'150, TKind::Icon},
    {"UI\\Icons\\Overlays\\Blue.ico", 5'430, TKind::Icon},
    {"UI\\Icons\\Overlays\\Green.ico", 5'430, TKind::Icon},
};

// The script with its section headings and retired entries as comment lines; %d marks where
// entry lines go, in order.
const char* const kScript[] = {
    "// Vardeno install script: one payload file per line, relative to the installation folder.",
    "// Resources F0, F1, ... follow the entry lines in order; comment lines take no number.",
    "",
    "// Programs",
    "%", "%", "%", "%",
    "//Kestrion.exe",
    "",
    "// User interface and media",
    "%", "%",
    "",
    "// Fingerprint reader",
    "%", "%",
    "",
    "// Cryptography",
    "%", "%",
    "",
    "// File-system driver",
    "%", "%",
    "",
    "// Shell extension",
    "%", "%", "%",
    "//UI\\Icons\\ShellEx\\share.ico",
    "",
    "// Icons",
    "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%", "%",
    "%", "%", "%", "%",
};

class TRandom {
 public:
  explicit TRandom(uint64_t seed) : FState(seed * 0x9E3779B97F4A7C15ULL + 1) {}
  uint64_t Next() {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    return FState * 0x2545F4914F6CDD1DULL;
  }

 private:
  uint64_t FState;
};

// Programs: a header, then code-like runs that repeat with variations, and tables; they
// compress to roughly half, like real executables.
void FillProgram(std::vector<uint8_t>& bytes, TRandom& random) {
  static const uint8_t kHeader[] = {'M', 'Z', 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0, 0};
  for (size_t i = 0; i < bytes.size() && i < sizeof kHeader; ++i) bytes[i] = kHeader[i];
  size_t i = sizeof kHeader;
  while (i < bytes.size()) {
    const uint64_t choice = random.Next();
    const size_t run = 16 + choice % 512;
    if ((choice >> 32) % 3 == 0 && i > 4096) {
      // A near repeat of earlier code.
      const size_t from = i - 64 - (random.Next() % 4000);
      for (size_t k = 0; k < run && i < bytes.size(); ++k, ++i) {
        bytes[i] = (random.Next() % 23 == 0) ? static_cast<uint8_t>(random.Next()) : bytes[from + k];
      }
    } else if ((choice >> 32) % 3 == 1) {
      // A table of small numbers.
      for (size_t k = 0; k < run && i < bytes.size(); ++k, ++i) bytes[i] = k % 4 == 0 ? static_cast<uint8_t>(random.Next() % 16) : 0;
    } else {
      for (size_t k = 0; k < run && i < bytes.size(); ++k, ++i) bytes[i] = static_cast<uint8_t>(random.Next());
    }
  }
}

void FillMedia(std::vector<uint8_t>& bytes, TRandom& random) {
  for (auto& b : bytes) b = static_cast<uint8_t>(random.Next() >> 24);
}

void FillText(std::vector<uint8_t>& bytes, TRandom& random) {
  static const char* kLines[] = {
      "  <item verb=\"protect\" icon=\"protect file.ico\" caption=\"Protect file\"/>\r\n",
      "  <item verb=\"hide\" icon=\"hide folder.ico\" caption=\"Hide folder\"/>\r\n",
      "  <separator/>\r\n",
      "  <item verb=\"wipe\" icon=\"secure wipe.ico\" caption=\"Secure wipe\"/>\r\n",
  };
  std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<shellex>\r\n";
  while (text.size() < bytes.size()) text += kLines[random.Next() % 4];
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(text[i]);
}

// Icons: the icon directory header, then pixel rows with runs of the same colour.
void FillIcon(std::vector<uint8_t>& bytes, TRandom& random) {
  static const uint8_t kHeader[] = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
  for (size_t i = 0; i < bytes.size() && i < sizeof kHeader; ++i) bytes[i] = kHeader[i];
  uint32_t colour = static_cast<uint32_t>(random.Next());
  for (size_t i = sizeof kHeader; i < bytes.size(); ++i) {
    if (i % 4 == 0 && random.Next() % 7 == 0) colour = static_cast<uint32_t>(random.Next());
    bytes[i] = static_cast<uint8_t>(colour >> (8 * (i % 4)));
  }
}

std::string Slashed(const char* entry) {
  std::string path(entry);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  const size_t count = sizeof kFiles / sizeof kFiles[0];
  size_t total = 0;
  for (size_t index = 0; index < count; ++index) {
    const TSampleFile& file = kFiles[index];
    std::vector<uint8_t> bytes(file.Size);
    TRandom random(index + 1);
    switch (file.Kind) {
      case TKind::Program: FillProgram(bytes, random); break;
      case TKind::Media: FillMedia(bytes, random); break;
      case TKind::Text: FillText(bytes, random); break;
      case TKind::Icon: FillIcon(bytes, random); break;
    }
    const fs::path target = out / "payload" / Slashed(file.Entry);
    fs::create_directories(target.parent_path());
    std::ofstream stream(target, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!stream) {
      std::fprintf(stderr, "cannot write %s\n", target.string().c_str());
      return 1;
    }
    total += bytes.size();
  }

  std::string script;
  size_t next = 0;
  for (const char* line : kScript) {
    script += std::string(line) == "%" ? kFiles[next++].Entry : line;
    script += "\r\n";
  }
  if (next != count) {
    std::fprintf(stderr, "the script template places %zu of %zu entries\n", next, count);
    return 1;
  }
  std::ofstream(out / "install.txt", std::ios::binary | std::ios::trunc) << script;
  std::printf("sample payload: %zu files, %zu bytes, script %s\n", count, total,
              (out / "install.txt").string().c_str());
  return 0;
}
