// The frame: click and drag routing, focus, first paint and idle redraws, the
// view list, the shared window class, and the VST 2 editor base.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdio>
#include <string>
#include <vector>

#include "vst2/AEffGUIEditor.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "vst2/interface/AudioEffect.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

// A control that fills its rectangle with a colour and logs what happens to it.
class ProbeControl : public Control {
public:
  ProbeControl(const Rect& size, std::vector<std::string>& log, std::string name, Colour colour = kRedColour)
      : Control(size, nullptr, 0), log_(log), name_(std::move(name)), colour_(colour)
  {}
  void draw(DrawContext* context) override
  {
    ++draws;
    context->setFillColour(colour_);
    context->fillRect(size.offsetBy({-1, -1}));  // whole rectangle, edges too
    lastValueDrawn = value;
  }
  PressOutcome mouseDown(DrawContext*, const MouseEvent& event) override
  {
    log_.push_back(name_ + " click " + where(event));
    return takesDrags ? PressOutcome::dragging : PressOutcome::done;
  }
  void mouseMoved(DrawContext*, const MouseEvent& event) override { log_.push_back(name_ + " move " + where(event)); }
  void mouseUp(DrawContext* context, const MouseEvent& event) override
  {
    log_.push_back(name_ + " up " + where(event) + (context ? "" : " (no context)"));
  }
  void loseFocus() override { log_.push_back(name_ + " loseFocus"); }
  int draws = 0;
  bool takesDrags = false;

private:
  static std::string where(const MouseEvent& event)
  {
    return std::to_string(event.where.x) + "," + std::to_string(event.where.y);
  }
  std::vector<std::string>& log_;
  std::string name_;
  Colour colour_;
};

class FrameTest : public HeadlessGuiTest {
protected:
  Frame* makeFrame()
  {
    frames.push_back(std::make_unique<Frame>(Rect{0, 0, 200, 100}, kFakeParentWindow));
    return frames.back().get();
  }
  void TearDown() override
  {
    frames.clear();
    HeadlessGuiTest::TearDown();
  }
  std::vector<std::unique_ptr<Frame>> frames;
  std::vector<std::string> log;
};

TEST_F(FrameTest, clickOnTheSharedEdgeGoesToTheViewAddedLater)
{
  Frame* frame = makeFrame();
  frame->addView(new ProbeControl({10, 10, 50, 40}, log, "first"));
  frame->addView(new ProbeControl({50, 10, 90, 40}, log, "second"));
  backend.press({50, 20}, kMouseLeft);  // x 50 is the right edge of one and the left of the other
  backend.press({49, 40}, kMouseLeft);  // bottom edge counts as inside
  backend.press({91, 20}, kMouseLeft);  // outside both: nobody
  EXPECT_EQ(log, (std::vector<std::string>{"second click 50,20", "first click 49,40"}));
}

TEST_F(FrameTest, clickOutsideTheFocusViewEndsItsEditBeforeTheClickIsRouted)
{
  Frame* frame = makeFrame();
  auto* box = new ProbeControl({10, 10, 50, 40}, log, "box");
  frame->addView(box);
  frame->addView(new ProbeControl({60, 10, 90, 40}, log, "button"));
  frame->setFocusView(box);
  backend.press({20, 20}, kMouseLeft);  // inside the focused view: routed normally
  EXPECT_EQ(frame->getFocusView(), box);
  backend.press({70, 20}, kMouseLeft);
  EXPECT_EQ(frame->getFocusView(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"box click 20,20", "box loseFocus", "button click 70,20"}));
}

TEST_F(FrameTest, modalViewTakesAllClicksInsideItAndDropsTheRest)
{
  Frame* frame = makeFrame();
  auto* under = new ProbeControl({0, 0, 200, 100}, log, "under");
  auto* modal = new ProbeControl({10, 10, 30, 30}, log, "modal");
  frame->addView(under);
  EXPECT_TRUE(frame->setModalView(modal));
  EXPECT_FALSE(frame->setModalView(under)) << "only one modal view at a time";
  backend.press({20, 20}, kMouseLeft);
  backend.press({100, 50}, kMouseLeft);
  EXPECT_EQ(log, (std::vector<std::string>{"modal click 20,20"}));
  EXPECT_TRUE(frame->setModalView(nullptr));
  delete modal;  // a modal view is not in the list, so the frame does not own it
}

TEST_F(FrameTest, idleDrawsNothingBeforeTheFirstPaintAndOnlyChangedControlsAfter)
{
  Frame* frame = makeFrame();
  auto* a = new ProbeControl({10, 10, 50, 40}, log, "a", kRedColour);
  auto* b = new ProbeControl({60, 10, 90, 40}, log, "b", kBlueColour);
  frame->addView(a);
  frame->addView(b);
  a->setValue(0.3f);
  frame->idle();
  EXPECT_EQ(a->draws + b->draws, 0) << "no drawing before the window was painted";
  EXPECT_EQ(countPixels(*backend.newestWindow(), {0, 0, 200, 100}, kRedColour), 0);

  backend.newestWindow()->paint();
  EXPECT_FALSE(frame->isFirstPaintPending());
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 1);

  frame->idle();  // nothing changed since the paint
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 1);

  b->setValue(0.7f);  // setting a value draws nothing by itself
  EXPECT_EQ(b->draws, 1);
  frame->idle();
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 2);
}

TEST_F(FrameTest, paintDrawsBackgroundThenViewsInOrderAndModalLast)
{
  addSolidBitmap(300, 200, 100, 0x00FF00);
  Frame* frame = makeFrame();
  auto* background = new Bitmap(300);
  frame->setBackground(background);
  background->forget();  // the frame holds its own reference
  frame->addView(new ProbeControl({10, 10, 50, 40}, log, "low", kRedColour));
  frame->addView(new ProbeControl({30, 10, 70, 40}, log, "high", kBlueColour));
  auto* modal = new ProbeControl({60, 10, 80, 40}, log, "modal", kYellowColour);
  frame->setModalView(modal);
  backend.newestWindow()->paint();
  const HeadlessWindow& window = *backend.newestWindow();
  EXPECT_EQ(window.pixel({5, 5}), kGreenColour);
  EXPECT_EQ(window.pixel({20, 20}), kRedColour);
  EXPECT_EQ(window.pixel({40, 20}), kBlueColour) << "the later view is drawn over the earlier";
  EXPECT_EQ(window.pixel({65, 20}), kYellowColour);
  frame->setModalView(nullptr);
  delete modal;
}

TEST_F(FrameTest, viewListGrowsByTenAndRemovalKeepsTheOrder)
{
  Frame* frame = makeFrame();
  std::vector<ProbeControl*> views;
  for (int i = 0; i < 21; ++i) {
    views.push_back(new ProbeControl({i, 0, i + 1, 1}, log, std::to_string(i)));
    ASSERT_TRUE(frame->addView(views.back()));
    EXPECT_EQ(views.back()->getParent(), frame);
  }
  EXPECT_EQ(frame->getViewCapacity(), 30);
  EXPECT_TRUE(frame->removeView(views[5]));
  EXPECT_FALSE(frame->removeView(views[5]));
  EXPECT_EQ(frame->getViewCount(), 20);
  EXPECT_EQ(frame->getView(4), views[4]);
  EXPECT_EQ(frame->getView(5), views[6]);
  EXPECT_EQ(frame->getView(19), views[20]);
  delete views[5];  // removed views are no longer the frame's
}

TEST_F(FrameTest, twoFramesShareOneWindowClassUntilTheSecondGoes)
{
  const std::string name = Frame::windowClassName();
  EXPECT_EQ(name, "Plugin0b7a5c11");
  Frame* first = makeFrame();
  Frame* second = makeFrame();
  EXPECT_NE(first->getWindow(), second->getWindow());
  EXPECT_EQ(backend.classRegistrations(), 1);
  EXPECT_EQ(Frame::windowClassUseCount(), 2);
  frames.erase(frames.begin());
  EXPECT_TRUE(backend.classRegistered(name)) << "the second frame still uses it";
  EXPECT_EQ(backend.windows().size(), 1u);
  frames.clear();
  EXPECT_FALSE(backend.classRegistered(name));
  EXPECT_EQ(backend.classRemovals(), 1);
  EXPECT_EQ(Frame::windowClassUseCount(), 0);
}

TEST_F(FrameTest, frameWithoutParentWindowHasNoWindowAndDoesNotHoldTheClass)
{
  Frame frame({0, 0, 10, 10}, nullptr);
  EXPECT_EQ(frame.getWindow(), nullptr);
  EXPECT_EQ(Frame::windowClassUseCount(), 0);
  frame.idle();
  frame.drawView();
}

TEST_F(FrameTest, windowDestroyedByTheHostClosesTheFrameAndStopsIdleDrawing)
{
  Frame* frame = makeFrame();
  auto* a = new ProbeControl({10, 10, 50, 40}, log, "a");
  frame->addView(a);
  backend.newestWindow()->paint();
  backend.newestWindow()->destroyByHost();
  EXPECT_FALSE(frame->isOpen());
  EXPECT_EQ(frame->getParentWindow(), nullptr);
  a->setValue(0.9f);
  frame->idle();
  EXPECT_EQ(a->draws, 1);
}

TEST_F(FrameTest, deletingTheFrameEndsTheEditFirstAndDeletesItsViews)
{
  Frame* frame = makeFrame();
  auto* box = new ProbeControl({10, 10, 50, 40}, log, "box");
  frame->addView(box);
  frame->setFocusView(box);
  frames.clear();
  EXPECT_EQ(log, (std::vector<std::string>{"box loseFocus"}));
}

TEST_F(FrameTest, aDragFollowsTheViewThatTookThePressUntilItsButtonGoesUp)
{
  Frame* frame = makeFrame();
  auto* holder = new ProbeControl({10, 10, 50, 40}, log, "holder");
  holder->takesDrags = true;
  frame->addView(holder);
  frame->addView(new ProbeControl({60, 10, 90, 40}, log, "other"));
  backend.moveTo({20, 20}, 0);  // no drag: a move goes nowhere
  backend.press({20, 20}, kMouseLeft);
  EXPECT_EQ(frame->getDragView(), holder);
  backend.moveTo({70, 20}, kMouseLeft);                            // over the other view: still the holder's
  backend.moveTo({-30, 500}, kMouseLeft);                          // beyond the window too
  backend.press({75, 25}, kMouseLeft | kMouseRight, kMouseRight);  // another button meanwhile: dropped
  backend.release();                                               // left up (the right one goes after: no drag left)
  backend.moveTo({80, 30}, 0);
  EXPECT_EQ(frame->getDragView(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"holder click 20,20", "holder move 70,20", "holder move -30,500",
                                           "holder up 75,25"}));
}

TEST_F(FrameTest, aDragWhoseReleaseNeverComesEndsBeforeTheNextPressOrWhenThePointerIsLost)
{
  Frame* frame = makeFrame();
  auto* holder = new ProbeControl({10, 10, 50, 40}, log, "holder");
  holder->takesDrags = true;
  frame->addView(holder);
  frame->addView(new ProbeControl({60, 10, 90, 40}, log, "other"));
  // A press that reports the left button up although the drag's release
  // never arrived (a synthetic click, a grab that swallowed it).
  backend.press({20, 20}, kMouseLeft);
  backend.moveTo({30, 30}, kMouseLeft);
  backend.press({70, 20}, kMouseLeft);
  backend.press({20, 20}, kMouseRight);
  backend.losePointer();
  backend.losePointer();  // nothing held any more: nothing to end
  EXPECT_EQ(log, (std::vector<std::string>{"holder click 20,20", "holder move 30,30", "holder up 30,30",
                                           "other click 70,20", "holder click 20,20", "holder up 20,20"}));
}

TEST_F(FrameTest, aDragEndsWhenTheWindowGoesOrTheFrameIsDeletedAndForgetsARemovedView)
{
  Frame* frame = makeFrame();
  auto* holder = new ProbeControl({10, 10, 50, 40}, log, "holder");
  holder->takesDrags = true;
  frame->addView(holder);
  backend.press({20, 20}, kMouseLeft);
  backend.newestWindow()->destroyByHost();
  EXPECT_EQ(frame->getDragView(), nullptr);

  Frame* second = makeFrame();
  auto* other = new ProbeControl({10, 10, 50, 40}, log, "second");
  other->takesDrags = true;
  second->addView(other);
  backend.press({20, 20}, kMouseLeft);
  frames.pop_back();  // deleted in the middle of the drag

  Frame* third = makeFrame();
  auto* removed = new ProbeControl({10, 10, 50, 40}, log, "removed");
  removed->takesDrags = true;
  third->addView(removed);
  backend.press({20, 20}, kMouseLeft);
  third->removeView(removed);
  backend.moveTo({30, 30}, kMouseLeft);
  backend.release();
  delete removed;
  EXPECT_EQ(log, (std::vector<std::string>{"holder click 20,20", "holder up 20,20 (no context)", "second click 20,20",
                                           "second up 20,20 (no context)", "removed click 20,20"}));
}

// ---- editor base ----

intptr_t versionOnlyHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
  constexpr int32_t kAudioMasterVersion = 1;
  return opcode == kAudioMasterVersion ? 2400 : 0;
}

class SilentEffect : public AudioEffect {
public:
  SilentEffect() : AudioEffect(versionOnlyHost, 1, 1) {}
  void process(float**, float**, int32_t) override {}
};

class TestEditor : public AEffGUIEditor {
public:
  explicit TestEditor(AudioEffect* effect) : AEffGUIEditor(effect) { rect = {0, 0, 100, 200}; }
  intptr_t open(void* parent) override
  {
    AEffGUIEditor::open(parent);
    frame = new Frame({0, 0, 200, 100}, parent);
    return 1;
  }
  void close() override
  {
    delete frame;
    frame = nullptr;
  }
  void update() override { ++updates; }
  Frame* theFrame() { return frame; }
  int updates = 0;
};

TEST_F(FrameTest, editorBaseHandsOutItsRectangleAndRunsPostedUpdatesOnIdle)
{
  SilentEffect effect;
  auto* editor = new TestEditor(&effect);  // owned by the effect from here on
  EXPECT_EQ(effect.getEditor(), editor);
  ERect* rect = nullptr;
  EXPECT_EQ(editor->getRect(&rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, 200);
  EXPECT_EQ(rect->bottom, 100);

  EXPECT_EQ(editor->open(kFakeParentWindow), 1);
  EXPECT_EQ(editor->getParentWindow(), kFakeParentWindow);
  editor->idle();
  EXPECT_EQ(editor->updates, 1) << "open posts an update";
  editor->idle();
  EXPECT_EQ(editor->updates, 1);
  editor->setParameter(3, 0.5f);
  editor->idle();
  EXPECT_EQ(editor->updates, 2);
  editor->close();
}

TEST_F(FrameTest, editorDrawRepaintsTheWholeFrameAndDrawViewOfAStrangerToo)
{
  SilentEffect effect;
  auto* editor = new TestEditor(&effect);
  editor->draw(nullptr);  // closed: nothing to draw, nothing breaks
  editor->open(kFakeParentWindow);
  auto* a = new ProbeControl({10, 10, 50, 40}, log, "a");
  auto* b = new ProbeControl({60, 10, 90, 40}, log, "b");
  editor->theFrame()->addView(a);
  editor->theFrame()->addView(b);
  editor->draw(nullptr);
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 1);
  EXPECT_FALSE(editor->theFrame()->isFirstPaintPending());
  b->redraw();  // one of ours: only it
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 2);
  ProbeControl stranger({0, 0, 5, 5}, log, "stranger");
  editor->theFrame()->drawView(&stranger);  // not in the list: the whole frame
  EXPECT_EQ(stranger.draws, 0);
  EXPECT_EQ(a->draws, 2);
  EXPECT_EQ(b->draws, 3);
  editor->close();
}

TEST_F(FrameTest, windowPictureIsWrittenAsPngWithTheSamePixels)
{
  Frame* frame = makeFrame();
  frame->addView(new ProbeControl({10, 10, 50, 40}, log, "a", kBlueColour));
  backend.newestWindow()->paint();
  const std::string path = ::testing::TempDir() + "brasklin_frame.png";
  ASSERT_TRUE(backend.newestWindow()->writePng(path));
  cairo_surface_t* read = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(read), 200);
  EXPECT_EQ(cairo_image_surface_get_height(read), 100);
  EXPECT_EQ(surfacePixel(read, {20, 20}), kBlueColour);
  EXPECT_EQ(surfacePixel(read, {5, 5}), kBlackColour);
  cairo_surface_destroy(read);
  std::remove(path.c_str());
}

}  // namespace
