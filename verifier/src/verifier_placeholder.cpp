// The verifier library; its modules live beside this file.
