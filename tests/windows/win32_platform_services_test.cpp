// The Windows platform layer against the real system: the registry value that
// names the host's plug-in folder, the folder test's outcome rules on real
// files and folders, and real message boxes, answered by a watcher thread the
// way a user would (a message box blocks until someone closes it).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/PlatformServices.h"

namespace {

constexpr const char* kVstKey = "Software\\VST";
constexpr const char* kValueName = "VSTPluginsPath";

// Gives the test the registry value to itself and puts back what was there
// (value and key) when it ends, so running the test leaves the machine as it was.
class VstRegistryValue {
public:
  VstRegistryValue()
  {
    HKEY key = nullptr;
    keyExisted = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVstKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (keyExisted) {
      DWORD size = 0;
      if (RegQueryValueExA(key, kValueName, nullptr, &savedType, nullptr, &size) == ERROR_SUCCESS) {
        saved.resize(size);
        RegQueryValueExA(key, kValueName, nullptr, &savedType, saved.data(), &size);
        valueExisted = true;
      }
      RegCloseKey(key);
    }
  }
  ~VstRegistryValue()
  {
    if (valueExisted) {
      write(savedType, saved);
    } else if (keyExisted) {
      removeValue();
    } else {
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVstKey);
    }
  }
  VstRegistryValue(const VstRegistryValue&) = delete;
  VstRegistryValue& operator=(const VstRegistryValue&) = delete;

  void write(DWORD type, const std::vector<BYTE>& bytes)
  {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kVstKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, kValueName, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  // A text with its terminating zero, the way a host's installer writes it.
  void writeText(const std::string& text)
  {
    std::vector<BYTE> bytes(text.begin(), text.end());
    bytes.push_back(0);
    write(REG_SZ, bytes);
  }
  void removeValue()
  {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVstKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, kValueName);
      RegCloseKey(key);
    }
  }
  // Only a key this test created may be removed: on a real machine it may hold
  // other hosts' settings.
  bool removeKeyIfOurs()
  {
    if (keyExisted) {
      return false;
    }
    removeValue();
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVstKey) == ERROR_SUCCESS;
  }

private:
  bool keyExisted = false;
  bool valueExisted = false;
  DWORD savedType = REG_NONE;
  std::vector<BYTE> saved;
};

std::vector<BYTE> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

TEST(Win32PluginsPath, readsTheValueTheHostRecorded)
{
  VstRegistryValue registry;
  registry.writeText("C:\\Program Files\\Steinberg\\VstPlugins");
  EXPECT_EQ(systemPlatformServices().pluginsPath(), "C:\\Program Files\\Steinberg\\VstPlugins");

  // Stored without a terminating zero: the text still ends where the data ends.
  registry.write(REG_SZ, bytesOf("D:\\Vst"));
  EXPECT_EQ(systemPlatformServices().pluginsPath(), "D:\\Vst");

  // The value's type is not looked at: text stored as binary data still counts.
  registry.write(REG_BINARY, bytesOf("E:\\Plugins"));
  EXPECT_EQ(systemPlatformServices().pluginsPath(), "E:\\Plugins");
}

TEST(Win32PluginsPath, longestValueFitsAndLongerOnesAreRefused)
{
  VstRegistryValue registry;
  const std::string longest = "C:\\" + std::string(256, 'v');  // 259 characters and the zero: 260 bytes
  registry.writeText(longest);
  EXPECT_EQ(systemPlatformServices().pluginsPath(), longest);

  registry.writeText("C:\\" + std::string(300, 'v'));
  EXPECT_EQ(systemPlatformServices().pluginsPath(), std::nullopt) << "a cut-off path would name the wrong folder";
}

TEST(Win32PluginsPath, missingValueOrKeyGivesNothing)
{
  VstRegistryValue registry;
  registry.writeText("C:\\Vst");
  registry.removeValue();
  EXPECT_EQ(systemPlatformServices().pluginsPath(), std::nullopt);

  if (!registry.removeKeyIfOurs()) {
    GTEST_SKIP() << "HKLM\\Software\\VST belongs to this machine's hosts; not removing it";
  }
  EXPECT_EQ(systemPlatformServices().pluginsPath(), std::nullopt);
}

// A scratch folder under the user's temporary folder, removed afterwards.
class Win32FolderTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    root = std::string(temp) + "brasklin-folder-test-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(CreateDirectoryA((root + "\\Brasklin").c_str(), nullptr));
    HANDLE file = CreateFileA((root + "\\plain.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  void TearDown() override
  {
    DeleteFileA((root + "\\plain.txt").c_str());
    RemoveDirectoryA((root + "\\Brasklin").c_str());
    RemoveDirectoryA(root.c_str());
  }
  std::string root;
};

TEST_F(Win32FolderTest, onlyFileNotFoundCountsAsMissing)
{
  PlatformServices& services = systemPlatformServices();
  EXPECT_FALSE(services.folderIsMissing(root + "\\Brasklin")) << "an existing folder";
  EXPECT_FALSE(services.folderIsMissing(root + "\\plain.txt")) << "an existing file opens";
  EXPECT_TRUE(services.folderIsMissing(root + "\\Absent")) << "missing inside an existing folder";
  EXPECT_FALSE(services.folderIsMissing(root + "\\Absent\\Brasklin"))
      << "a missing parent gives path-not-found, which counts as present";
}

TEST_F(Win32FolderTest, testLeavesNoHandleOpen)
{
  // The test opens the folder with the share mode write-only; an open handle
  // left behind would keep the folder from being removed.
  PlatformServices& services = systemPlatformServices();
  EXPECT_FALSE(services.folderIsMissing(root + "\\plain.txt"));
  EXPECT_FALSE(services.folderIsMissing(root + "\\Brasklin"));
  EXPECT_TRUE(DeleteFileA((root + "\\plain.txt").c_str())) << GetLastError();
  EXPECT_TRUE(RemoveDirectoryA((root + "\\Brasklin").c_str())) << GetLastError();
  EXPECT_TRUE(services.folderIsMissing(root + "\\Brasklin"));
}

// In a program that is no plug-in no DLL entry kept a module handle: the
// folder is the program's own, as GetModuleFileNameA names it.
TEST(Win32Services, moduleFolderIsTheFolderOfTheLoadedBinary)
{
  char program[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
  ASSERT_GT(length, 0u);
  const std::string path(program, length);
  EXPECT_EQ(systemPlatformServices().moduleFolder(), path.substr(0, path.find_last_of('\\')));
}

TEST(Win32Services, windowsPathConventions)
{
  EXPECT_EQ(systemPlatformServices().pathSeparator(), '\\');
  EXPECT_STREQ(systemPlatformServices().fallbackFolder(), "c:\\Brasklin");
}

// What a user sees in a message box, read by a watcher thread that then
// presses `answer`.
struct SeenBox {
  bool found = false;
  std::string title;
  std::string text;
  bool okVisible = false;
  bool cancelVisible = false;
  bool hasOwner = true;
};

// A named function: on 32-bit Windows the callback must use the system's
// calling convention, which a lambda's conversion does not give.
BOOL CALLBACK keepVisibleDialog(HWND window, LPARAM found)
{
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND dialogOfThread(DWORD thread)
{
  HWND dialog = nullptr;
  EnumThreadWindows(thread, keepVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

std::string windowText(HWND window)
{
  char buffer[512] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

// Shows a message through the platform layer on this thread while a watcher
// reads the box and answers it. The box has a deadline: if it never appears,
// the watcher gives up and the test fails instead of hanging.
SeenBox showAndAnswer(const char* text, const char* caption, MessageButtons buttons, int answer)
{
  SeenBox seen;
  const DWORD boxThread = GetCurrentThreadId();
  std::thread watcher([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      if (HWND dialog = dialogOfThread(boxThread)) {
        seen.found = true;
        seen.title = windowText(dialog);
        seen.text = windowText(GetDlgItem(dialog, 0xFFFF));  // the message's static text
        seen.okVisible = IsWindowVisible(GetDlgItem(dialog, IDOK)) != FALSE;
        seen.cancelVisible = IsWindowVisible(GetDlgItem(dialog, IDCANCEL)) != FALSE;
        seen.hasOwner = GetWindow(dialog, GW_OWNER) != nullptr;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  systemPlatformServices().showMessage(text, caption, buttons);
  watcher.join();
  return seen;
}

TEST(Win32Messages, okBoxWithTheSystemTitle)
{
  const char* text =
      "Brasklin cannot find the WaveShapes.txt file in the Brasklin folder. "
      "Maybe you did not extract it properly?";
  const SeenBox box = showAndAnswer(text, nullptr, MessageButtons::ok, IDOK);
  ASSERT_TRUE(box.found) << "no message box appeared";
  EXPECT_EQ(box.text, text);
  EXPECT_FALSE(box.title.empty()) << "no caption asked for: the system's default title";
  EXPECT_TRUE(box.okVisible);
  EXPECT_FALSE(box.cancelVisible);
  EXPECT_FALSE(box.hasOwner);
}

TEST(Win32Messages, okCancelBoxWithEmptyTitleReturnsOnEitherButton)
{
  const SeenBox cancelled = showAndAnswer("Can't find table file", "", MessageButtons::okCancel, IDCANCEL);
  ASSERT_TRUE(cancelled.found) << "no message box appeared";
  EXPECT_EQ(cancelled.text, "Can't find table file");
  EXPECT_EQ(cancelled.title, "");
  EXPECT_TRUE(cancelled.okVisible);
  EXPECT_TRUE(cancelled.cancelVisible);

  const SeenBox accepted = showAndAnswer("Can't find table file", "", MessageButtons::okCancel, IDOK);
  EXPECT_TRUE(accepted.found);
}

}  // namespace
