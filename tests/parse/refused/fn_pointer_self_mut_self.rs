type A = fn(self: mut self);
