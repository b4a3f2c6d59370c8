// Nothing of its own: the layer checks link one whole library with this file and
// fail when the library uses a layer it does not depend on.
