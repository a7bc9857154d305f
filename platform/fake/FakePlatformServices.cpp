#include "platform/fake/FakePlatformServices.h"

#include <filesystem>
#include <system_error>

bool FakePlatformServices::folderIsMissing(const std::string& path)
{
  folderQueries.push_back(path);
  if (isMissing) return isMissing(path);
  std::error_code error;
  return !std::filesystem::exists(path, error);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): text and caption, as the system's message box takes them
void FakePlatformServices::showMessage(const char* text, const char* caption, MessageButtons buttons)
{
  Message message{text != nullptr ? text : "", std::nullopt, buttons};
  if (caption != nullptr) message.caption = caption;
  messages.push_back(std::move(message));
}

std::vector<std::string> FakePlatformServices::messageTexts() const
{
  std::vector<std::string> texts;
  texts.reserve(messages.size());
  for (const Message& message : messages) texts.push_back(message.text);
  return texts;
}
