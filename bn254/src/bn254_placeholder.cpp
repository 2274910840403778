// The bn254 library; its modules live beside this file.
