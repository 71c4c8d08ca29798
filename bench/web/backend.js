// The benchmark page draws through the canvas backend its address names
// (?backend=webgl), putImageData otherwise.
Module['vxrCanvasBackend'] = new URLSearchParams(location.search).get('backend') || '2d';
