// Replaced as the layer is built.
