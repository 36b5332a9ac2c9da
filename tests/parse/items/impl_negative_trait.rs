impl !Send for S {}
