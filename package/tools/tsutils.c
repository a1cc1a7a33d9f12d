/* tsutils.dll: touch-screen utility functions for the setup program.
 *
 * VEXA_ReScanDevice() asks Plug and Play to enumerate the whole device tree
 * again, so that a serial touch controller attached after its driver was
 * installed is found without a restart. It waits until the enumeration is done
 * and returns 0 when it succeeded, 1 otherwise (the setup program then offers
 * a restart). */
#include <windows.h>
/* Needs windows.h first. */
#include <cfgmgr32.h>

__attribute__((dllexport)) int WINAPI VEXA_ReScanDevice(void) {
    DEVINST root;
    if (CM_Locate_DevNodeA(&root, NULL, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) return 1;
    return CM_Reenumerate_DevNode(root, CM_REENUMERATE_SYNCHRONOUS) == CR_SUCCESS ? 0 : 1;
}
