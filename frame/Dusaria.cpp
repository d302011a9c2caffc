// The module library; its entry points come with the frame.
namespace Dusaria {
const char *LibraryName() { return "dusaria"; }
}
