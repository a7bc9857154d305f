// A text box: shows its text like a ParamDisplay and, on a left click, opens a
// native single-line field over itself for editing. Enter, a click elsewhere in
// the frame or the loss of keyboard focus ends the edit; the listener hears of
// it only when the text changed.
#pragma once

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
  void mouseDown(DrawContext* context, Point where) override;
  void takeFocus() override;
  void loseFocus() override;

  // Copies `text` (ignored when null; at most 255 characters kept) and makes
  // the next idle redraw.
  virtual void setText(const char* text);
  // Copies the text into `buffer` (kTextCapacity bytes; ignored when null).
  virtual void getText(char* buffer) const;
  virtual void setEditConvert(EditConvert convert) { editConvert = convert; }

  const std::string& text() const { return text_; }
  bool isEditing() const { return field_ != nullptr; }

  // The longest text an edit can leave behind (the field is read into a
  // 255-byte buffer, terminator included).
  static constexpr std::size_t kMaxEditedLength = 254;

private:
  void textFieldFinished() override;

  std::string text_;
  std::unique_ptr<TextField> field_;
  EditConvert editConvert = nullptr;
};
