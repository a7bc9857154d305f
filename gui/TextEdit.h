// A text box: shows its text like a ParamDisplay and, on a left click, opens a
// native single-line field over itself for editing. Enter, a click elsewhere in
// the frame or the loss of keyboard focus ends the edit; the listener hears of
// it only when the text changed.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "gui/Backend.h"
#include "gui/ParamDisplay.h"

// Turns the stored text into the text shown (both 256 bytes).
using EditConvert = void (*)(const char* text, char* shown);

class TextEdit : public ParamDisplay, private TextFieldListener {
public:
  TextEdit(const Rect& size, ControlListener* listener, int32_t tag, const char* text = nullptr,
           Bitmap* background = nullptr, int style = 0);
  ~TextEdit() override;

  void draw(DrawContext* context) override;
  PressOutcome mouseDown(DrawContext* context, const MouseEvent& event) override;
  void takeFocus() override;
  void loseFocus() override;

  // Copies `text` (ignored when null; at most 255 characters kept) and makes
  // the next idle redraw.
  virtual void setText(const char* text);
  // Copies the text into `buffer` (kTextCapacity bytes; ignored when null).
  virtual void getText(char* buffer) const;
  virtual void setEditConvert(EditConvert convert) { editConvert = convert; }

  // A copy of the text as it is now.
  std::string text() const;
  bool isEditing() const { return field_ != nullptr; }

  // The longest text an edit can leave behind (the field is read into a
  // 255-byte buffer, terminator included).
  static constexpr std::size_t kMaxEditedLength = 254;

private:
  void textFieldFinished() override;
  void storeText(const char* text, std::size_t maxLength);

  // The effect writes display texts from whatever thread changed a parameter
  // while the interface thread draws them, without a lock: every character is
  // a relaxed atomic, so a reader may for one idle see a mix of two texts but
  // never reads freed or unterminated memory; the writer then forces a redraw.
  std::array<std::atomic<char>, kTextCapacity> text_{};
  std::unique_ptr<TextField> field_;
  EditConvert editConvert = nullptr;
};
