#pragma once

// Registers the embedded catalogues, font and icon; resources of a static library are not registered by themselves.
// Safe to call more than once.
void initResources();
