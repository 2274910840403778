// The stark library; its modules live beside this file.
