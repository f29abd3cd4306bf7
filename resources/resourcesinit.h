#pragma once

// Registers the embedded catalogues, font and icon; resources of a static library are not registered by themselves.
// Safe to call more than once.
void initResources();

class QFont;
class QString;

// The family of the embedded application font (a CJK face with Latin glyphs), registered on first use and only then:
// the font is large, and every registration would load it again. Empty when it cannot be registered.
QString embeddedFontFamily();

// Makes the embedded family at 18 points the application font, as the window, its reports and the report files
// draw their texts in it; returns that font.
QFont setEmbeddedApplicationFont();
