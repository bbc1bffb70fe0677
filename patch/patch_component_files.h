// The component's seven files, in the order the patch replaces them: each is both the source
// path, relative to the patch's working folder, and the path below the installation folder.
// This list is the one place they are named: the program, its tests, the end-to-end runner,
// the demo and the benchmarks all read it. Each includer defines QOR_COMPONENT_FILE(path) to
// what it needs and includes this file where the list goes; paths use "\\" as on Windows.
QOR_COMPONENT_FILE("qorlks_interface.dll")
QOR_COMPONENT_FILE("qorlks_keyboard_hook.dll")
QOR_COMPONENT_FILE("qorlks_windows_hook.dll")
QOR_COMPONENT_FILE("qorlks_moz_xpi.xpi")
QOR_COMPONENT_FILE("locksmere.exe")
QOR_COMPONENT_FILE("qorlks_ie_com.dll")
QOR_COMPONENT_FILE("LKS FireFox Extension\\Components\\qorlks_moz_xpcom.dll")
