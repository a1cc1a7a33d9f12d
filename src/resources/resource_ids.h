/* Resource numbers shared by the resource script and the program. */
#pragma once

#define IDI_MAINICON 1
#define IDB_GLYPH_INSTALL 101
#define IDB_GLYPH_EXIT 102
#define IDB_GLYPH_UNINSTALL 103
#define IDR_MANIFEST 1
