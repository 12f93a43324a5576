// Placeholder so the simulator library has a translation unit before its sources exist.
