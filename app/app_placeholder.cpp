// Keeps the library non-empty until the window's sources land.
