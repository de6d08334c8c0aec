/* Built and run at configure time: tells whether this machine executes the
   32-bit programs the project builds, or needs a user-mode emulator. */
int main(void) { return sizeof(void*) == 4 ? 0 : 1; }
