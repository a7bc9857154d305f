// Where the plug-in is built without a window layer for the editor, the
// controller offers no view and hosts show their own parameter view.
#include "vst3/Vst3View.h"

vst3::IPlugView* makeEditorView(Vst3Controller& /*controller*/) { return nullptr; }
