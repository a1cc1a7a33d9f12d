/* Resource numbers shared by the resource script and the program. Plain
   defines, so that the resource compiler reads them too. */
#ifndef SETUP_RESOURCE_IDS_H
#define SETUP_RESOURCE_IDS_H

/* The lowest icon number: Explorer shows it for the file. */
#define IDI_MAINICON 1

/* Pictures beside the push buttons' captions: 16 x 16, magenta is transparent. */
#define IDB_GLYPH_INSTALL 101
#define IDB_GLYPH_EXIT 102
#define IDB_GLYPH_UNINSTALL 103

/* The application manifest of an executable. */
#define IDR_MANIFEST 1

#endif
