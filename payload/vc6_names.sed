# Applied to the assembly of every object of the Visual C++ 6.0 library: its
# runtime has no array operator new[] and delete[]; its compiler calls
# operator new and delete for arrays.
s/"\?\?_U@YAPAXI@Z"/"??2@YAPAXI@Z"/g
s/"\?\?_V@YAXPAX@Z"/"??3@YAXPAX@Z"/g
