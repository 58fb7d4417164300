# Applied to the assembly of every object of the Visual C++ libraries: slot 0
# of the public classes' vftables holds Visual C++'s vector deleting
# destructor (vc_vector_delete.cpp, which defines one per class listed here)
# in place of clang's scalar deleting one. Only the vftables refer to a
# deleting destructor from data.
s/^(\s+\.(long|quad)\s+"\?\?_)G((IMAGE|LINESTYLE|FILLSTYLE)@@)/\1E\3/
