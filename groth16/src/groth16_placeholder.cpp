// The groth16 library; its modules live beside this file.
