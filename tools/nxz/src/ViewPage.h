#pragma once

// The fixed parts of the page nxz view writes: style and script. Everything
// here is inline; the page's security policy forbids loading anything else.

namespace nox::nxz {

extern const char kPageHead[];    // up to and including <body>
extern const char kPageScript[];  // the tree, the search and the links
extern const char kPageEnd[];     // </body></html>

}  // namespace nox::nxz
