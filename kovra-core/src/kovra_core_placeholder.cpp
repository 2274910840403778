// The kovra-core library; its modules live beside this file.
