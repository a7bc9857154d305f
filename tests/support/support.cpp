// Anchor for the shared test-support library; the helpers live beside it.
