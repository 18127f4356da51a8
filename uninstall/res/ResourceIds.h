// Resource identifiers of the uninstaller. Its two buttons use the standard OK and Cancel
// identifiers, its two text lines the "no identifier" of static controls.
#pragma once

#define IDD_UNINSTALL 102
#define IDR_MAINFRAME 128

#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
