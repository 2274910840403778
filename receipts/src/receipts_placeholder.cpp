// The receipts library; its modules live beside this file.
