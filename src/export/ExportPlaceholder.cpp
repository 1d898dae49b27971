// Keeps the export library non-empty until its first writer lands.
namespace lumara::exporting { void exportLibraryAnchor() {} }
