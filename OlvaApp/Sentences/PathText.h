// Components of a path, read from its text alone: a sentence never asks the
// disk. A slash at the end marks a folder and does not count as a component.
#pragma once

#include <QString>

namespace olva::app {

// "/a/b/c.pdf" gives "c.pdf", "/a/b/" gives "b", "/" gives "/".
QString lastComponent(const QString& path);

// "/a/b/c.pdf" and "/a/b/c/" give "/a/b", "/c" gives "/", "c" gives ".".
QString parentPath(const QString& path);

}  // namespace olva::app
