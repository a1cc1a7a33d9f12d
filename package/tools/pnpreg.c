/* pnpreg.exe: clears the package's pending Plug-and-Play marker.
 *
 *   pnpreg.exe -u    deletes the value "PnpPending" of HKLM\SOFTWARE\Brivo\PnpReg
 *                    when it is there; exit code 0 whether or not it was
 *   anything else    does nothing; exit code 1
 *
 * The setup program runs "pnpreg.exe -u" at every start, before it changes
 * anything, so that a registration left over by an interrupted run does not
 * outlive it. The tool touches no other key or value. It is a GUI program so
 * that no console window flashes up when setup starts it. */
#include <windows.h>

static void ClearPendingMarker(void) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivo\\PnpReg", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, "PnpPending");
    RegCloseKey(key);
}

int main(int argc, char **argv) {
    if (argc == 2 && lstrcmpiA(argv[1], "-u") == 0) {
        ClearPendingMarker();
        return 0;
    }
    return 1;
}
