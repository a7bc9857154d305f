#include "tests/editor/EditorTestSupport.h"

#include "effect/ParameterTable.h"

namespace editortest {

HostLog& hostLog()
{
  static HostLog log;
  return log;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the host callback's signature
intptr_t fakeHost(AEffect* /*effect*/, int32_t opcode, int32_t index, intptr_t /*value*/, void* /*ptr*/, float opt)
{
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterAutomate:
      hostLog().automations.push_back({index, opt});
      hostLog().touches += 'a';
      hostLog().touchedIndices.push_back(index);
      return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      hostLog().touches += opcode == audioMasterBeginEdit ? '[' : ']';
      hostLog().touchedIndices.push_back(index);
      return 1;
    default: hostLog().otherCalls.push_back(opcode); return 0;
  }
}

EditorTest::EditorTest()
{
  setCurrentBackend(&backend);
  // The shipped shapes lie in a Brasklin folder beside the test binary.
  services.registryPath = BRASKLIN_TEST_VST_DIR;
  servicesScope = std::make_unique<ScopedPlatformServices>(services);
  effect = std::make_unique<PluginEffect>(&fakeHost);
  editor = dynamic_cast<PluginEditor*>(effect->getEditor());
  hostLog().clear();
}

EditorTest::~EditorTest()
{
  effect.reset();  // deletes the editor, closing it if the test left it open
  servicesScope.reset();
  setCurrentBackend(nullptr);
}

void EditorTest::openAndPaint()
{
  ASSERT_NE(editor, nullptr) << "the effect made no editor";
  ASSERT_EQ(editor->open(kHostWindow), 1);
  ASSERT_NE(backend.newestWindow(), nullptr);
  backend.newestWindow()->paint();
}

void EditorTest::click(Point where) { backend.tap(where); }

void EditorTest::drag(Point from, Point to)
{
  constexpr int kSteps = 4;
  backend.press(from, kMouseLeft);
  for (int i = 1; i <= kSteps; ++i)
    backend.moveTo({from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps}, kMouseLeft);
  backend.release();
}

void EditorTest::typeInto(Point where, const std::string& text)
{
  click(where);
  HeadlessTextField* field = backend.activeTextField();
  ASSERT_NE(field, nullptr) << "no text field opened at " << where.x << ", " << where.y;
  field->replaceText(text);
  field->pressEnter();
}

std::vector<float> EditorTest::parameterValues() const
{
  std::vector<float> values;
  for (int32_t i = 0; i < kParameterCount; ++i) values.push_back(effect->getParameter(i));
  return values;
}

Artwork::Artwork(int resourceId) : image_(loadEmbeddedCairoImage(resourceId)) {}

int Artwork::width() const { return image_ ? image_->width() : 0; }
int Artwork::height() const { return image_ ? image_->height() : 0; }

uint32_t Artwork::pixel(int x, int y) const { return image_ ? surfacePixel(image_->surface(), {x, y}).toRgb() : 0u; }

int differingFromArtwork(const HeadlessWindow& window, Point at, const Artwork& art, Point source, Point size,
                         bool skipWhite)
{
  int differing = 0;
  for (int y = 0; y < size.y; ++y)
    for (int x = 0; x < size.x; ++x) {
      const uint32_t expected = art.pixel(source.x + x, source.y + y);
      if (skipWhite && expected == 0xFFFFFFu) continue;
      differing += window.pixel({at.x + x, at.y + y}).toRgb() != expected;
    }
  return differing;
}

int countLight(const HeadlessWindow& window, const Rect& area)
{
  int light = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const uint32_t rgb = window.pixel({x, y}).toRgb();
      light += (rgb >> 16) >= 0xB0 && ((rgb >> 8) & 0xFF) >= 0xB0 && (rgb & 0xFF) >= 0xB0;
    }
  return light;
}

int drawnHandleTop(const HeadlessWindow& window, int x)
{
  const Artwork handle(layout::kSliderHandleBitmap);
  for (int top = 0; top + handle.height() <= window.height(); ++top)
    if (differingFromArtwork(window, {x, top}, handle, {0, 0}, {handle.width(), handle.height()}, true) == 0)
      return top;
  return -1;
}

int shownImage(const HeadlessWindow& window, Point at, const Artwork& art, Point imageSize, int count)
{
  for (int image = 0; image < count; ++image)
    if (differingFromArtwork(window, at, art, {0, image * imageSize.y}, imageSize) == 0) return image;
  return -1;
}

}  // namespace editortest
