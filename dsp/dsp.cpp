// Anchor so the library has a source before the stages arrive.
