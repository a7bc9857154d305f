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
  explicit VstFolderSetting(const std::string& folder)
  {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\VST", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return;
    char old[MAX_PATH] = {};
    DWORD size = sizeof old;
    DWORD type = 0;
    hadValue_ =
        RegQueryValueExA(key, "VSTPluginsPath", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS &&
        type == REG_SZ;
    if (hadValue_) old_.assign(old, strnlen(old, sizeof old));
    set_ = RegSetValueExA(key, "VSTPluginsPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                          DWORD(folder.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  ~VstFolderSetting()
  {
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
// this answers every box of this process (OK), counts it and keeps its text.
class MessageBoxWatcher {
public:
  MessageBoxWatcher()
      : thread_([this] {
          while (!stop_) {
            HWND box = FindWindowA("#32770", nullptr);
            DWORD owner = 0;
            if (box != nullptr) GetWindowThreadProcessId(box, &owner);
            if (box != nullptr && owner == GetCurrentProcessId() && IsWindowVisible(box)) {
              char text[512] = {};
              GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof text);  // the message's static text
              lastText_ = text;
              ++boxes;
              PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
              // Until the box has gone it would be counted again; one that
              // stays for seconds is answered (and counted) once more.
              const DWORD asked = GetTickCount();
              while (IsWindow(box) && !stop_ && GetTickCount() - asked < 5000) Sleep(5);
            }
            Sleep(10);
          }
        })
  {}
  ~MessageBoxWatcher() { stop(); }
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  void stop()
  {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // The text of the last box; read once stopped, when the watcher no longer writes it.
  std::string lastText() const { return lastText_; }

  std::atomic<int> boxes{0};  // may be read at any time

private:
  std::atomic<bool> stop_{false};
  std::string lastText_;
  std::thread thread_;
};
