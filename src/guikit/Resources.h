#pragma once

// Registers the program's pictures (idempotent). Everything that shows one
// calls it first, so that a widget made without the application object
// (tests) finds them too.
void InitXamuResources();
