#pragma once

// Registers the embedded catalogues, font and icon; resources of a static library are not registered by themselves.
// Safe to call more than once.
void initResources();

class QString;

// The family of the embedded application font (a CJK face with Latin glyphs), registered on first use and only then:
// the font is large, and every registration would load it again. Empty when it cannot be registered.
QString embeddedFontFamily();
