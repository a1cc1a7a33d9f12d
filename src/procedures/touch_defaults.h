// The touch parameter defaults of an install run: the calibration and driver
// parameters written into the driver's service key from the calibration
// section of the setup configuration.
#pragma once

namespace setup {

class RegistryAccess;
class TVEXA_Form1;

// A step of the install run, not a routine of its own (it stores no step
// code). Writes nothing at all unless the product's calibration section names
// a valid number of points and every list it gives has that many entries. A
// list entry that is not an integer raises SetupError; so does a value the
// registry refuses.
void WriteTouchParameterDefaults(TVEXA_Form1& form, RegistryAccess& registry);

}  // namespace setup
