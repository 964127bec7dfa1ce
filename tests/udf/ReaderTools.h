#pragma once
// Running the independent readers from the tests and filling a file table from a source folder.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "image/FileTable.h"
#include "image/TextCodec.h"

namespace velmarond::image::testing {

struct TCommandResult {
  int ExitCode = -1;
  std::string Output;  // stdout and stderr together
};

inline std::string Quoted(const std::filesystem::path& path) {
  std::string out = "'";
  for (char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline TCommandResult RunCommand(const std::string& command) {
  TCommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.Output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Adds the folder's contents under `parent`, disc names equal to the source names.
inline void AddFolder(TFileTable& table, TDirEntry& parent, const std::filesystem::path& folder) {
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    const std::u16string name = Utf8ToUtf16(item.path().filename().string());
    if (item.is_directory()) {
      auto dir = table.CreateDir(parent, name, 0);
      if (dir) AddFolder(table, **dir, item.path());
    } else {
      (void)table.InsertFile(parent, item.path().string(), u"", name);
    }
  }
}

inline const std::string UdfTreeScript = std::string(VELMAROND_SOURCE_DIR) + "/tests/udf/udf_tree.py";

// udfinfo reports the volume, pycdlib lists the UDF tree with the sources' sizes and digests, and 7z extracts
// it exactly. With `small` false, file bytes are streamed through 7z and compared by digest instead.
inline void ExpectUdfReadersAgree(const std::filesystem::path& iso, const std::filesystem::path& src,
                                  std::uint32_t files, bool small, const std::string& label = "Velmarond") {
  const auto info = RunCommand("udfinfo " + Quoted(iso));
  ASSERT_EQ(info.ExitCode, 0) << info.Output;
  EXPECT_NE(info.Output.find("label=" + label), std::string::npos) << info.Output;
  EXPECT_NE(info.Output.find("udfrev=1.50"), std::string::npos) << info.Output;
  EXPECT_NE(info.Output.find("numfiles=" + std::to_string(files)), std::string::npos) << info.Output;

  const std::string withData = small ? "True" : "False";
  const auto expected = RunCommand("cd " + Quoted(src) + " && /usr/bin/python3 - <<'EOF'\n"
                                   "import hashlib, os\n"
                                   "for root, dirs, files in os.walk('.'):\n"
                                   "    r = root[1:]\n"
                                   "    for d in dirs: print('%s/%s/\\t-\\t-' % (r, d))\n"
                                   "    for f in files:\n"
                                   "        p = os.path.join(root, f); h = hashlib.md5()\n"
                                   "        if " + withData + " and os.path.getsize(p) > 0:\n"
                                   "            with open(p, 'rb') as x:\n"
                                   "                for c in iter(lambda: x.read(1 << 20), b''): h.update(c)\n"
                                   "        print('%s/%s\\t%d\\t%s' % (r, f, os.path.getsize(p), h.hexdigest() if " + withData + " else '-'))\n"
                                   "EOF\n");
  ASSERT_EQ(expected.ExitCode, 0) << expected.Output;
  const auto sorted = [](const std::string& text) {
    return RunCommand("printf '%s' " + Quoted(text) + " | LC_ALL=C sort").Output;
  };
  const auto listed =
      RunCommand("/usr/bin/python3 " + Quoted(UdfTreeScript) + " " + Quoted(iso) + (small ? "" : " --no-data"));
  ASSERT_EQ(listed.ExitCode, 0) << listed.Output;
  EXPECT_EQ(sorted(listed.Output), sorted(expected.Output));

  if (!small) {
    for (const auto& item : std::filesystem::directory_iterator(src)) {
      const std::string name = item.path().filename().string();
      const auto fromImage = RunCommand("7z x -tudf -so " + Quoted(iso) + " " + Quoted(name) + " | md5sum");
      const auto fromSource = RunCommand("md5sum < " + Quoted(item.path()));
      EXPECT_EQ(fromImage.Output, fromSource.Output) << name;
    }
    return;
  }
  const auto out = iso.parent_path() / "extracted";
  const auto extracted = RunCommand("7z x -tudf -y -o" + Quoted(out) + " " + Quoted(iso));
  ASSERT_EQ(extracted.ExitCode, 0) << extracted.Output;
  std::filesystem::create_directories(out);
  const auto diff = RunCommand("diff -r " + Quoted(src) + " " + Quoted(out));
  EXPECT_EQ(diff.ExitCode, 0) << diff.Output;
}

}  // namespace velmarond::image::testing
