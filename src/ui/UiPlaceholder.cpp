// The panel widgets arrive with the panel content.
