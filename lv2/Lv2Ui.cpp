#include "lv2/Lv2Ui.h"

#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "gui/Frame.h"
#include "shapes/PluginFolder.h"
#include "shapes/ShapeList.h"

namespace {

// What the interface takes from the host's features: the parent window
// (ui:parent), where to announce its size (ui:resize) and the gesture calls
// (ui:touch). Only the parent is needed.
struct UiFeatures {
  void* parent = nullptr;
  const LV2UI_Resize* resize = nullptr;
  const LV2UI_Touch* touch = nullptr;

  explicit UiFeatures(const LV2_Feature* const* features)
  {
    for (const LV2_Feature* const* feature = features; feature != nullptr && *feature != nullptr; ++feature) {
      const char* uri = (*feature)->URI;
      if (uri == nullptr) continue;
      if (std::strcmp(uri, LV2_UI__parent) == 0) parent = (*feature)->data;
      if (std::strcmp(uri, LV2_UI__resize) == 0) resize = static_cast<const LV2UI_Resize*>((*feature)->data);
      if (std::strcmp(uri, LV2_UI__touch) == 0) touch = static_cast<const LV2UI_Touch*>((*feature)->data);
    }
  }
};

}  // namespace

std::vector<std::string> Lv2Ui::shapeNamesIn(const std::string& bundlePath) { return shapeNamesInFolder(bundlePath); }

Lv2Ui::Lv2Ui(const Lv2UiParameters::HostCalls& host, std::vector<std::string> shapeNames)
    : parameters_(host, std::move(shapeNames)), panel_(parameters_)
{
  parameters_.showChangesIn(panel_);
}

std::unique_ptr<Lv2Ui> Lv2Ui::create(const char* bundlePath, LV2UI_Write_Function write, LV2UI_Controller controller,
                                     const LV2_Feature* const* features)
{
  const UiFeatures host(features);
  if (host.parent == nullptr) return nullptr;
  try {
    std::unique_ptr<Lv2Ui> ui(
        new Lv2Ui({write, controller, host.touch}, shapeNamesIn(bundlePath != nullptr ? bundlePath : "")));
    // X11 has no window classes; the holder needs no name.
    ui->holder_ = currentBackend().createChildWindow(host.parent, "", EditorPanel::kWidth, EditorPanel::kHeight, *ui);
    if (!ui->holder_) return nullptr;
    ui->panel_.open(ui->holder_->nativeHandle());
    if (ui->panel_.frame() == nullptr || ui->panel_.frame()->getWindow() == nullptr) return nullptr;
    if (host.resize != nullptr && host.resize->ui_resize != nullptr)
      host.resize->ui_resize(host.resize->handle, EditorPanel::kWidth, EditorPanel::kHeight);
    return ui;
  } catch (...) {
    // A C host cannot take an exception: whatever went wrong, no editor.
    return nullptr;
  }
}

Lv2Ui::~Lv2Ui()
{
  // The frame's window first (a drag in progress ends its touch), then the
  // holder it sits in.
  panel_.close();
  holder_.reset();
}

LV2UI_Widget Lv2Ui::widget() const { return holder_->nativeHandle(); }

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the interface's own order
void Lv2Ui::portEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer)
{
  if (format != 0 || bufferSize != sizeof(float) || buffer == nullptr) return;
  float value = 0.0f;
  std::memcpy(&value, buffer, sizeof value);  // the host's buffer need not be aligned
  parameters_.portChanged(port, value);
}

int Lv2Ui::idle()
{
  panel_.idle();
  return 0;
}
