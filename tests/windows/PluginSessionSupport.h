// What a test loading the real plug-in DLL needs around it: the registry's
// VST folder pointed at the folder holding brasklin.dll and its Brasklin
// shape folder, and a watcher that closes (and counts) the message box a
// loading failure would show, which would otherwise wait for a user forever.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

// The plug-in finds its shape folder beside brasklin.dll; a test may also
// point the registry's VST folder (the older way) at the folder holding it,
// and this puts back what was there.
class VstFolderSetting {
public:
  explicit VstFolderSetting(const std::string& folder) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\VST", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return;
    char old[MAX_PATH] = {};
    DWORD size = sizeof old;
    DWORD type = 0;
    hadValue_ = RegQueryValueExA(key, "VSTPluginsPath", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                    ERROR_SUCCESS &&
                type == REG_SZ;
    if (hadValue_) old_.assign(old, strnlen(old, sizeof old));
    set_ = RegSetValueExA(key, "VSTPluginsPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                          DWORD(folder.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  ~VstFolderSetting() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\VST", 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    if (hadValue_) {
      RegSetValueExA(key, "VSTPluginsPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()),
                     DWORD(old_.size() + 1));
    } else {
      RegDeleteValueA(key, "VSTPluginsPath");
    }
    RegCloseKey(key);
  }
  VstFolderSetting(const VstFolderSetting&) = delete;
  VstFolderSetting& operator=(const VstFolderSetting&) = delete;
  bool set() const { return set_; }

private:
  bool hadValue_ = false;
  bool set_ = false;
  std::string old_;
};

// A loading failure shows a message box, which would wait for a user forever:
// this closes any box of this process and counts it.
class MessageBoxWatcher {
public:
  MessageBoxWatcher()
      : thread_([this] {
          while (!stop_) {
            HWND box = FindWindowA("#32770", nullptr);
            DWORD owner = 0;
            if (box) GetWindowThreadProcessId(box, &owner);
            if (box && owner == GetCurrentProcessId()) {
              ++boxes;
              PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(20);
          }
        }) {}
  ~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
  }
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
  std::atomic<int> boxes{0};

private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
